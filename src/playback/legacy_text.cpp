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

bool isLatin1Symbol(char16_t c)
{
    return (c >= 0xA0 && c <= 0xBF) || c == 0xD7 || c == 0xF7;
}

bool isLatin1NonAscii(char16_t c)
{
    return c >= 0x80 && c <= 0xFF;
}

bool isWordCharacter(QChar c)
{
    return !isLatin1Symbol(c.unicode()) && (c.isLetter() || c.isMark());
}

bool isHalfWidthKana(char16_t c)
{
    return c >= 0xFF61 && c <= 0xFF9F;
}

// The script a letter counts for; 0 for the marks and signs any script uses.
int scriptGroup(QChar c)
{
    // Full-width and half-width forms stand among Japanese text, whatever their letters.
    if (c.unicode() >= 0xFF00 && c.unicode() <= 0xFFEF)
        return QChar::Script_Han;
    switch (c.script()) {
    case QChar::Script_Common:
    case QChar::Script_Inherited:
    case QChar::Script_Unknown:
        return 0;
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Bopomofo:
        return QChar::Script_Han;
    default:
        return c.script();
    }
}

// Whether the word from `at` reads as one, and where it ends.
bool wordIsPlausible(const QString &text, qsizetype &at)
{
    int script = 0;
    bool hasAsciiLetter = false;
    qsizetype letters = 0;
    for (; at < text.size() && isWordCharacter(text[at]); ++at) {
        const QChar c = text[at];
        letters += c.isLetter();
        hasAsciiLetter = hasAsciiLetter || c.unicode() < 0x80;
        if (const int group = scriptGroup(c); group != 0 && c.unicode() >= 0x80) {
            if (script != 0 && group != script)
                return false;
            script = group;
        }
    }
    return script != QChar::Script_Latin || hasAsciiLetter || letters == 1;
}

} // namespace

bool isPlausibleText(const QString &text)
{
    const qsizetype size = text.size();
    auto at = [&](qsizetype i) -> char16_t { return i < 0 || i >= size ? 0 : text[i].unicode(); };
    if (hasPrivateUse(text))
        return false;
    qsizetype i = 0;
    while (i < size) {
        const char16_t c = at(i);
        if ((c >= 0x80 && c < 0xA0) || c == QChar::ReplacementCharacter)
            return false;
        if (isWordCharacter(text[i])) {
            if (!wordIsPlausible(text, i))
                return false;
            continue;
        }
        if (isLatin1Symbol(c) && (isLatin1NonAscii(at(i - 1)) || isLatin1NonAscii(at(i + 1))))
            return false;
        ++i;
    }
    return true;
}

bool isPlausibleCp932(const QString &text)
{
    auto isFullWidth = [](char16_t c) { return c >= 0x80 && !isHalfWidthKana(c); };
    for (qsizetype i = 1; i < text.size(); ++i) {
        const char16_t before = text[i - 1].unicode();
        const char16_t after = text[i].unicode();
        if ((isHalfWidthKana(before) && isFullWidth(after))
            || (isFullWidth(before) && isHalfWidthKana(after)))
            return false;
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

// The clean CP932 reading of the bytes, or a null QString.
QString cp932Reading(QByteArrayView bytes)
{
    const QString cp932 = decodeCp932Strict(bytes);
    return hasPrivateUse(cp932) ? QString() : cp932;
}

// The reading of a field whose writer may have cut its last character in half: the text before
// the half, when that reads as words in the half's encoding; else a null QString.
QString readingWithoutCutCharacter(QByteArrayView bytes)
{
    if (const qsizetype cut = unfinishedUtf8Tail(bytes); cut > 0) {
        const QByteArrayView rest = bytes.chopped(cut);
        if (!isAscii(rest) && isValidUtf8(rest)) {
            const QString text = QString::fromUtf8(rest);
            if (isPlausibleText(text))
                return text;
        }
    }
    if (endsWithLoneCp932LeadByte(bytes)) {
        const QByteArrayView rest = bytes.chopped(1);
        if (isAscii(rest))
            return QString::fromLatin1(rest);
        const QString cp932 = cp932Reading(rest);
        if (!cp932.isNull() && isPlausibleCp932(cp932))
            return cp932;
    }
    return {};
}

QString weighReadings(QByteArrayView bytes, bool fixedSizeField)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    const QString utf8 = isValidUtf8(bytes) ? QString::fromUtf8(bytes) : QString();
    if (!utf8.isNull() && isPlausibleText(utf8))
        return utf8;
    const QString latin1 = QString::fromLatin1(bytes);
    if (isPlausibleText(latin1))
        return latin1;
    const QString cp932 = cp932Reading(bytes);
    if (!cp932.isNull() && isPlausibleCp932(cp932))
        return cp932;
    if (fixedSizeField) {
        if (const QString shortened = readingWithoutCutCharacter(bytes); !shortened.isNull())
            return shortened;
    }
    if (!utf8.isNull())
        return utf8;
    return cp932.isNull() ? latin1 : cp932;
}

} // namespace

} // namespace LegacyText

QString decodeLegacyText(QByteArrayView bytes)
{
    return LegacyText::weighReadings(bytes, false);
}

QString decodeFixedFieldText(QByteArrayView bytes)
{
    return LegacyText::weighReadings(bytes, true);
}
