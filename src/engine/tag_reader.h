#ifndef BRENLOWICK_TAG_READER_H
#define BRENLOWICK_TAG_READER_H

#include <QString>

#include <filesystem>

struct SongTags {
    QString title;
    QString author;
};

// The title and author an MP3 file's own tags give, through TagLib: ID3v2 (2.2 to 2.4) first,
// then APE, then ID3v1, field by field. Text whose encoding the tag does not state goes
// through decodeLegacyText (ID3v2 frames marked Latin-1) or decodeFixedFieldText (ID3v1
// fields, which their writers cut at 30 bytes), so Shift-JIS from Japanese taggers reads
// right. Empty where no tag has the field. Never throws: a missing file or a damaged tag
// gives empty texts, and never keeps a song from playing.
SongTags readSongTags(const std::filesystem::path &path);

#endif
