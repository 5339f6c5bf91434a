#ifndef BRENLOWICK_DISPLAY_NAME_H
#define BRENLOWICK_DISPLAY_NAME_H

#include <QString>

#include <string_view>

// File and folder names are bytes; only what is shown is decoded. Valid UTF-8 is read as
// such; otherwise the bytes are tried as Shift-JIS (Windows' CP932, strictly, the encoding of
// names copied from Japanese Windows machines), and failing that as Latin-1, which reads any
// byte string.
QString displayName(std::string_view bytes);

#endif
