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

bool endsWithLoneCp932LeadByte(QByteArrayView bytes)
{
    auto isLeadByte
        = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
    qsizetype i = 0;
    while (i < bytes.size()) {
        if (!isLeadByte(static_cast<unsigned char>(bytes[i]))) {
            ++i;
            continue;
        }
        if (i + 1 == bytes.size())
            return true;
        i += 2;
    }
    return false;
}

qsizetype unfinishedUtf8Tail(QByteArrayView bytes)
{
    auto isContinuation = [](unsigned char c) { return (c & 0xC0) == 0x80; };
    auto sequenceLength = [](unsigned char c) -> qsizetype {
        if (c >= 0xC2 && c <= 0xDF)
            return 2;
        if (c >= 0xE0 && c <= 0xEF)
            return 3;
        if (c >= 0xF0 && c <= 0xF4)
            return 4;
        return 0;
    };
    for (qsizetype tail = 1; tail <= 3 && tail <= bytes.size(); ++tail) {
        const auto c = static_cast<unsigned char>(bytes[bytes.size() - tail]);
        if (isContinuation(c))
            continue;
        return tail < sequenceLength(c) ? tail : 0;
    }
    return 0;
}

namespace {
// The CP932 reading when the bytes are judged to be CP932, else a null QString.
QString cp932Reading(QByteArrayView bytes)
{
    if (isPlausibleLatin1(bytes))
        return {};
    const QString cp932 = decodeCp932Strict(bytes);
    return (cp932.isNull() || hasPrivateUse(cp932)) ? QString() : cp932;
}
} // namespace

} // namespace LegacyText

QString decodeLegacyText(QByteArrayView bytes)
{
    using namespace LegacyText;
    if (isAscii(bytes) || isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    const QString cp932 = cp932Reading(bytes);
    return cp932.isNull() ? QString::fromLatin1(bytes) : cp932;
}

QString decodeFixedFieldText(QByteArrayView bytes)
{
    using namespace LegacyText;
    if (isAscii(bytes) || isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    if (const qsizetype cut = unfinishedUtf8Tail(bytes); cut > 0) {
        const QByteArrayView rest = bytes.chopped(cut);
        if (!isAscii(rest) && isValidUtf8(rest))
            return QString::fromUtf8(rest);
    }
    // A whole field that reads as Latin-1 words keeps its last letter: "Olé" is not cut.
    if (endsWithLoneCp932LeadByte(bytes) && !isPlausibleLatin1(bytes)) {
        const QByteArrayView rest = bytes.chopped(1);
        if (isAscii(rest))
            return QString::fromLatin1(rest);
        const QString cp932 = cp932Reading(rest);
        if (!cp932.isNull())
            return cp932;
    }
    return decodeLegacyText(bytes);
}
