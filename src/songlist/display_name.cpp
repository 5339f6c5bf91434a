#include "songlist/display_name.h"

#include "playback/legacy_text.h"

#include <algorithm>

namespace {

// Control characters, or characters no font has, mean the bytes were not CP932 text either.
bool looksLikeText(const QString &text)
{
    return !LegacyText::hasPrivateUse(text)
           && std::none_of(text.begin(), text.end(), [](QChar c) {
                  return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0);
              });
}

} // namespace

QString displayName(std::string_view bytes)
{
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (LegacyText::isAscii(view) || LegacyText::isValidUtf8(view))
        return QString::fromUtf8(view);
    const QString cp932 = LegacyText::decodeCp932Strict(view);
    if (!cp932.isNull() && looksLikeText(cp932))
        return cp932;
    return QString::fromLatin1(view);
}
