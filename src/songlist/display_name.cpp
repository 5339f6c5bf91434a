#include "songlist/display_name.h"

#include <QStringDecoder>

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace {

bool isAscii(std::string_view bytes)
{
    return std::all_of(
        bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

QString decodeUtf8Strict(std::string_view bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return decoder.hasError() ? QString() : text;
}

QString decodeCp932Strict(std::string_view bytes)
{
    iconv_t converter = iconv_open("UTF-8", "CP932");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return {};
    std::vector<char> out(bytes.size() * 3 + 4);
    std::vector<char> in(bytes.begin(), bytes.end());
    char *inPointer = in.data();
    size_t inLeft = in.size();
    char *outPointer = out.data();
    size_t outLeft = out.size();
    const size_t result = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft);
    iconv_close(converter);
    if (result == static_cast<size_t>(-1) || inLeft != 0)
        return {};
    const QString text
        = QString::fromUtf8(out.data(), static_cast<qsizetype>(outPointer - out.data()));
    // Control characters mean the bytes were not text in this encoding either.
    const bool hasControl = std::any_of(text.begin(), text.end(),
        [](QChar c) { return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0); });
    return hasControl ? QString() : text;
}

} // namespace

QString displayName(std::string_view bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString text = decodeUtf8Strict(bytes);
    if (!text.isNull())
        return text;
    text = decodeCp932Strict(bytes);
    if (!text.isNull())
        return text;
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
