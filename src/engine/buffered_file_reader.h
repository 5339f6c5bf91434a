#ifndef BRENLOWICK_BUFFERED_FILE_READER_H
#define BRENLOWICK_BUFFERED_FILE_READER_H

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <memory>

// How a song file's bytes are asked of the system: ::read, or in tests a stand-in that stalls
// as a disk waking up does. Same contract as ::read.
using FileReadFunction = std::function<ssize_t(int fd, void *buffer, size_t bytes)>;

// libmpg123's reader for an open file: its own fd reader asks the system for every frame
// header and body apart, two system calls per 26 ms of audio, each one a cost on the audio
// thread. This one reads 64 KiB at a time into a buffer allocated when the file is opened,
// and moves within the buffer where a seek allows. It never owns or closes the descriptor.
class BufferedFileReader
{
public:
    // An empty `read` reads with ::read.
    explicit BufferedFileReader(int fd, FileReadFunction read = {});

    // The callbacks for mpg123_replace_reader_handle, with this object as the handle.
    static ssize_t read(void *handle, void *destination, size_t bytes);
    static off_t seek(void *handle, off_t offset, int whence);

private:
    ssize_t readInto(unsigned char *destination, size_t bytes);
    off_t seekTo(off_t offset, int whence);

    static constexpr size_t Capacity = 64 * 1024;

    int m_fd = -1;
    FileReadFunction m_read;
    std::unique_ptr<unsigned char[]> m_buffer;
    size_t m_begin = 0; // next byte to hand out
    size_t m_end = 0;   // end of the valid bytes
    off_t m_fileOffset = 0; // where in the file m_end lies
};

#endif
