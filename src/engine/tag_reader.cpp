#include "engine/tag_reader.h"

#include "playback/legacy_text.h"

#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>

#include <mutex>

namespace {

QString toQString(const TagLib::String &text)
{
    const TagLib::ByteVector utf8 = text.data(TagLib::String::UTF8);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

TagLib::String toTagLibString(const QString &text)
{
    return TagLib::String(text.toStdString(), TagLib::String::UTF8);
}

QByteArrayView viewOf(const TagLib::ByteVector &bytes)
{
    return QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// ID3v2 frames marked Latin-1: one text field at a time.
class LegacyFrameText final : public TagLib::ID3v2::Latin1StringHandler
{
public:
    TagLib::String parse(const TagLib::ByteVector &data) const override
    {
        return toTagLibString(decodeLegacyText(viewOf(data)));
    }
};

// ID3v1 fields: fixed width, padded with NULs or spaces.
class LegacyId3v1Text final : public TagLib::ID3v1::StringHandler
{
public:
    TagLib::String parse(const TagLib::ByteVector &data) const override
    {
        QByteArrayView field = viewOf(data);
        const qsizetype nul = field.indexOf('\0');
        if (nul >= 0)
            field = field.first(nul);
        while (!field.isEmpty() && (field.back() == ' ' || field.back() == '\0'))
            field.chop(1);
        return toTagLibString(decodeFixedFieldText(field));
    }
};

void installLegacyTextHandlers()
{
    // TagLib keeps these handlers globally; they live as long as the program.
    static std::once_flag once;
    std::call_once(once, [] {
        static const LegacyFrameText frameText;
        static const LegacyId3v1Text id3v1Text;
        TagLib::ID3v2::Tag::setLatin1StringHandler(&frameText);
        TagLib::ID3v1::Tag::setStringHandler(&id3v1Text);
    });
}

} // namespace

SongTags readSongTags(const std::filesystem::path &path)
{
    installLegacyTextHandlers();
    SongTags tags;
    try {
        // No audio properties: the length is the decoder's, and reading them costs time.
        TagLib::MPEG::File file(path.c_str(), false);
        if (!file.isValid())
            return tags;
        if (const TagLib::Tag *tag = file.tag()) {
            tags.title = toQString(tag->title());
            tags.author = toQString(tag->artist());
        }
    } catch (...) {
        // TagLib does not throw on bad data as a rule; whatever it does, tags are a courtesy.
        return SongTags{};
    }
    return tags;
}
