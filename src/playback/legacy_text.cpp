#include "playback/legacy_text.h"

#include <QStringDecoder>

#include <cerrno>
#include <iconv.h>
#include <vector>

namespace LegacyText {

bool isAscii(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

bool isValidUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // The decoder works lazily: only the conversion to QString runs it.
    const QString decoded = decoder.decode(bytes);
    return !decoder.hasError();
}

QString decodeCp932Strict(QByteArrayView bytes)
{
    // Without //TRANSLIT or //IGNORE glibc stops at the first byte sequence CP932 does not
    // define, which is exactly the strictness the guess needs.
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return {};
    std::vector<char> input(bytes.begin(), bytes.end());
    std::vector<char> output(input.size() * 3 + 4);
    char *in = input.data();
    size_t inLeft = input.size();
    char *out = output.data();
    size_t outLeft = output.size();
    const size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    // Flush: a lead byte at the very end is an incomplete character, not a clean decode.
    const size_t flushed = iconv(converter, nullptr, nullptr, &out, &outLeft);
    iconv_close(converter);
    if (result == static_cast<size_t>(-1) || flushed == static_cast<size_t>(-1) || inLeft != 0)
        return {};
    QString text = QString::fromUtf8(output.data(), out - output.data());
    if (text.isNull())
        text = QString(QLatin1String(""));
    return text;
}

bool hasPrivateUse(const QString &text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0xE000 && c.unicode() <= 0xF8FF)
            return true;
    }
    return false;
}

namespace {
bool isAsciiLetter(int c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isLatin1Letter(int c)
{
    return c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7;
}
} // namespace

bool isPlausibleLatin1(QByteArrayView bytes)
{
    const qsizetype size = bytes.size();
    auto at = [&](qsizetype i) -> int {
        return (i < 0 || i >= size) ? -1 : static_cast<unsigned char>(bytes[i]);
    };
    auto isLetter = [](int c) { return c >= 0 && (isAsciiLetter(c) || isLatin1Letter(c)); };
    qsizetype i = 0;
    while (i < size) {
        const int c = at(i);
        if (isLetter(c)) {
            // A word: accented letters stand among plain ASCII ones.
            bool hasAscii = false;
            bool hasLatin1 = false;
            for (; i < size && isLetter(at(i)); ++i) {
                hasAscii = hasAscii || isAsciiLetter(at(i));
                hasLatin1 = hasLatin1 || isLatin1Letter(at(i));
            }
            if (hasLatin1 && !hasAscii)
                return false;
            continue;
        }
        if (c >= 0x80 && (c < 0xA0 || at(i - 1) >= 0x80 || at(i + 1) >= 0x80))
            return false;
        ++i;
    }
    return true;
}

} // namespace LegacyText

QString decodeLegacyText(QByteArrayView bytes)
{
    using namespace LegacyText;
    if (isAscii(bytes) || isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    if (!isPlausibleLatin1(bytes)) {
        const QString cp932 = decodeCp932Strict(bytes);
        if (!cp932.isNull() && !hasPrivateUse(cp932))
            return cp932;
    }
    return QString::fromLatin1(bytes);
}
