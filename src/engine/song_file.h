#ifndef BRENLOWICK_SONG_FILE_H
#define BRENLOWICK_SONG_FILE_H

#include "engine/buffered_file_reader.h"

#include <filesystem>

// A song file opened for reading, shared by whatever reads it (the decoding, a scan of its
// length), each with a reader and an offset of its own; closed when the last of them lets go.
struct SongFile {
    SongFile(int fd, std::filesystem::path path, FileReadFunction read)
        : fd(fd)
        , path(std::move(path))
        , read(std::move(read))
    {
    }
    ~SongFile();
    SongFile(const SongFile &) = delete;
    SongFile &operator=(const SongFile &) = delete;

    const int fd;
    const std::filesystem::path path;
    const FileReadFunction read;
};

#endif
