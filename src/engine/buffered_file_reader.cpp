#include "engine/buffered_file_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

BufferedFileReader::BufferedFileReader(int fd, FileReadFunction read)
    : m_fd(fd)
    , m_read(read ? std::move(read) : FileReadFunction(::pread))
    , m_buffer(std::make_unique_for_overwrite<unsigned char[]>(Capacity))
{
}

ssize_t BufferedFileReader::read(void *handle, void *destination, size_t bytes)
{
    return static_cast<BufferedFileReader *>(handle)->readInto(
        static_cast<unsigned char *>(destination), bytes);
}

off_t BufferedFileReader::seek(void *handle, off_t offset, int whence)
{
    return static_cast<BufferedFileReader *>(handle)->seekTo(offset, whence);
}

ssize_t BufferedFileReader::readInto(unsigned char *destination, size_t bytes)
{
    size_t done = 0;
    while (done < bytes) {
        if (m_begin == m_end) {
            ssize_t got = 0;
            do {
                got = m_read(m_fd, m_buffer.get(), Capacity, m_fileOffset);
            } while (got < 0 && errno == EINTR);
            if (got < 0) {
                m_lastError = errno;
                return done > 0 ? static_cast<ssize_t>(done) : -1;
            }
            if (got == 0)
                break;
            m_begin = 0;
            m_end = static_cast<size_t>(got);
            m_fileOffset += got;
        }
        const size_t chunk = std::min(bytes - done, m_end - m_begin);
        std::memcpy(destination + done, m_buffer.get() + m_begin, chunk);
        m_begin += chunk;
        done += chunk;
    }
    return static_cast<ssize_t>(done);
}

off_t BufferedFileReader::seekTo(off_t offset, int whence)
{
    const off_t bufferStart = m_fileOffset - static_cast<off_t>(m_end);
    const off_t position = m_fileOffset - static_cast<off_t>(m_end - m_begin);
    off_t target = -1;
    if (whence == SEEK_SET) {
        target = offset;
    } else if (whence == SEEK_CUR) {
        target = position + offset;
    } else if (whence == SEEK_END) {
        struct stat status = {};
        if (::fstat(m_fd, &status) != 0)
            return -1;
        target = status.st_size + offset;
    }
    if (target < 0)
        return -1;
    if (target >= bufferStart && target <= m_fileOffset) {
        // Short hops (a frame header looked at twice, a seek nearby) stay in the buffer.
        m_begin = static_cast<size_t>(target - bufferStart);
        return target;
    }
    m_begin = 0;
    m_end = 0;
    m_fileOffset = target;
    return target;
}
