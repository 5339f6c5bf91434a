// Tag text of unstated encoding, as ID3v1 fields and Latin-1 ID3v2 frames hand it over: the
// guess never fails, never yields invalid UTF-16 and never grows the text; a field without a
// cut character at its end reads as a frame does.

#include "playback/legacy_text.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    const QString text = decodeLegacyText(bytes);
    check(text.isValidUtf16());
    // One byte gives at most one UTF-16 unit in every encoding the guess may choose.
    check(text.size() <= bytes.size());
    if (LegacyText::isAscii(bytes))
        check(text == QLatin1String(bytes.data(), bytes.size()));
    check(decodeLegacyText(bytes) == text);

    // A fixed-size field reads the same way, at most short of one cut character.
    const QString field = decodeFixedFieldText(bytes);
    check(field.isValidUtf16() && field.size() <= bytes.size());
    if (!LegacyText::endsWithLoneCp932LeadByte(bytes) && LegacyText::unfinishedUtf8Tail(bytes) == 0)
        check(field == text);

    const QString cp932 = LegacyText::decodeCp932Strict(bytes);
    check(cp932.isNull() || (cp932.isValidUtf16() && cp932.size() <= bytes.size()));
    return 0;
}
