#include "engine/tag_reader.h"

#include "playback/legacy_text.h"

#include <taglib/id3v1tag.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2synchdata.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <taglib/textidentificationframe.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
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
class LegacyFrameText final : public TagLib::ID3v2::Latin1StringHandler {
public:
    TagLib::String parse(const TagLib::ByteVector &data) const override
    {
        return toTagLibString(decodeLegacyText(viewOf(data)));
    }
};

// ID3v1 fields: fixed width, padded with NULs or spaces.
class LegacyId3v1Text final : public TagLib::ID3v1::StringHandler {
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

// ID3v2 text frames marked UTF-16 whose writer left out the byte-order mark, as some encoders
// did: TagLib reads them as empty. Like other tag readers, this takes the ID3 standard's default
// order, big-endian, from the frame's own bytes.
class UnmarkedUtf16Frames {
public:
    UnmarkedUtf16Frames(const std::filesystem::path &path, const TagLib::ID3v2::Tag *tag)
    {
        // Only where TagLib has found such a frame at the file's start is the tag read again.
        if (!tag || !(lost(*tag, "TIT2") || lost(*tag, "TPE1")))
            return;
        std::ifstream file(path, std::ios::binary);
        TagLib::ByteVector header(TagLib::ID3v2::Header::size(), '\0');
        if (!file.read(header.data(), header.size())
            || !header.startsWith(TagLib::ID3v2::Header::fileIdentifier()))
            return;
        const TagLib::ID3v2::Header parsed(header);
        // What the file holds of the tag, however large its header says it is.
        std::error_code error;
        const auto fileSize = std::filesystem::file_size(path, error);
        TagLib::ByteVector body(
            static_cast<unsigned>(std::min<std::uintmax_t>(parsed.tagSize(), error ? 0 : fileSize)),
            '\0');
        file.read(body.data(), body.size());
        body.resize(static_cast<unsigned>(file.gcount()));
        m_version = parsed.majorVersion();
        if (parsed.unsynchronisation() && m_version <= 3)
            body = TagLib::ID3v2::SynchData::decode(body);
        unsigned extendedHeaderSize = 0;
        if (parsed.extendedHeader() && body.size() >= 4) {
            if (m_version == 2)
                return; // the flag marks a compressed ID3v2.2 tag
            extendedHeaderSize = m_version == 3
                ? 4 + std::min(body.toUInt(0U, 4U, true), body.size())
                : TagLib::ID3v2::SynchData::toUInt(body.mid(0, 4));
        }
        m_frames = body.mid(extendedHeaderSize);
    }

    // The frame's first text when its field is marked UTF-16 and has no byte-order mark; a
    // null QString otherwise.
    QString text(const char *id, const char *oldId) const
    {
        const TagLib::ByteVector field = firstField(m_version == 2 ? oldId : id);
        if (field.size() < 3 || field[0] != TagLib::String::UTF16 || field.mid(1, 2) == "\xff\xfe"
            || field.mid(1, 2) == "\xfe\xff")
            return {};
        qsizetype end = 1;
        while (end + 1 < field.size() && (field[end] || field[end + 1]))
            end += 2;
        // Through TagLib's own decoding, so that a lone surrogate ends up as it does elsewhere.
        return toQString(TagLib::String(field.mid(1, end - 1), TagLib::String::UTF16BE));
    }

private:
    static bool lost(const TagLib::ID3v2::Tag &tag, const char *id)
    {
        const TagLib::ID3v2::FrameList &frames = tag.frameListMap()[id];
        const auto *text = frames.isEmpty()
            ? nullptr
            : dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame *>(frames.front());
        return text && text->textEncoding() == TagLib::String::UTF16
            && (text->fieldList().isEmpty() || text->fieldList().front().isEmpty());
    }

    // The field of the first frame with this id, unless it is compressed or encrypted.
    TagLib::ByteVector firstField(const char *id) const
    {
        const unsigned idSize = m_version == 2 ? 3 : 4;
        const unsigned headerSize = m_version == 2 ? 6 : 10;
        for (unsigned at = 0; at + headerSize <= m_frames.size() && m_frames[at] != 0;) {
            const TagLib::ByteVector size
                = m_frames.mid(at + idSize, headerSize - idSize - 2 * (m_version > 2));
            const unsigned fieldSize
                = m_version == 4 ? TagLib::ID3v2::SynchData::toUInt(size) : size.toUInt(true);
            const unsigned char flags = m_version > 2 ? m_frames[at + 9] : 0;
            if (fieldSize > m_frames.size() - at - headerSize)
                break;
            TagLib::ByteVector field = m_frames.mid(at + headerSize, fieldSize);
            const bool wanted = m_frames.mid(at, idSize) == id;
            at += headerSize + fieldSize;
            if (!wanted)
                continue;
            if ((m_version == 3 && (flags & 0xC0)) || (m_version == 4 && (flags & 0x0C)))
                return {};
            if (m_version == 4 && (flags & 0x01)) // data length indicator
                field = field.mid(4);
            if (m_version == 4 && (flags & 0x02)) // unsynchronised
                field = TagLib::ID3v2::SynchData::decode(field);
            return field;
        }
        return {};
    }

    unsigned m_version = 0;
    TagLib::ByteVector m_frames;
};

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
        const UnmarkedUtf16Frames unmarked(path, file.ID3v2Tag());
        if (const QString title = unmarked.text("TIT2", "TT2"); !title.isEmpty())
            tags.title = title;
        if (const QString author = unmarked.text("TPE1", "TP1"); !author.isEmpty())
            tags.author = author;
    } catch (...) {
        // TagLib does not throw on bad data as a rule; whatever it does, tags are a courtesy.
        return SongTags {};
    }
    return tags;
}
