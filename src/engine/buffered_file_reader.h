#ifndef BRENLOWICK_BUFFERED_FILE_READER_H
#define BRENLOWICK_BUFFERED_FILE_READER_H

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <memory>

// How a song file's bytes are asked of the system: ::pread, or in tests a stand-in that stalls
// or fails as a disk waking up or a failing USB stick does. Same contract as ::pread.
using FileReadFunction = std::function<ssize_t(int fd, void *buffer, size_t bytes, off_t offset)>;

// libmpg123's reader for an open file: its own fd reader asks the system for every frame
// header and body apart, two system calls per 26 ms of audio. This one reads 64 KiB at a time
// into a buffer allocated when the file is opened, and moves within the buffer where a seek
// allows. It keeps its own offset (pread), so several readers share one descriptor: the decoding
// and a scan of the file's length go on side by side. It never owns or closes the descriptor.
class BufferedFileReader {
public:
    // An empty `read` reads with ::pread.
    BufferedFileReader(int fd, FileReadFunction read = {});

    // The callbacks for mpg123_replace_reader_handle, with this object as the handle.
    static ssize_t read(void *handle, void *destination, size_t bytes);
    static off_t seek(void *handle, off_t offset, int whence);

    // The errno of the last read that failed, 0 when none has: a read error and the end of the
    // file look alike to libmpg123.
    int lastError() const { return m_lastError; }

private:
    ssize_t readInto(unsigned char *destination, size_t bytes);
    off_t seekTo(off_t offset, int whence);

    static constexpr size_t Capacity = 64 * 1024;

    int m_fd = -1;
    FileReadFunction m_read;
    std::unique_ptr<unsigned char[]> m_buffer;
    size_t m_begin = 0; // next byte to hand out
    size_t m_end = 0; // end of the valid bytes
    off_t m_fileOffset = 0; // where in the file m_end lies
    int m_lastError = 0;
};

#endif
