#ifndef BRENLOWICK_FRAME_QUEUE_H
#define BRENLOWICK_FRAME_QUEUE_H

#include <cstddef>
#include <cstring>
#include <memory>

// A first-in first-out run of audio bytes with a fixed capacity, allocated once, so that the
// audio thread can decode ahead into it and take from it without allocating. The live bytes
// are kept contiguous (moved to the front when the free tail runs short), which lets a
// decoder write straight into freeSpace(). Not thread-safe.
class FrameQueue
{
public:
    explicit FrameQueue(size_t capacity)
        : m_capacity(capacity), m_bytes(std::make_unique<unsigned char[]>(capacity))
    {
    }

    size_t size() const { return m_end - m_begin; }
    // Drops the first `bytes`.
    void dropFront(size_t bytes) { m_begin += bytes < size() ? bytes : size(); }
    // Drops everything behind the first `bytes`.
    void truncate(size_t bytes)
    {
        if (bytes < size())
            m_end = m_begin + bytes;
    }

    // Contiguous room at the back, after moving the live bytes to the front if that helps.
    unsigned char *freeSpace(size_t &room)
    {
        if (m_begin > 0) {
            std::memmove(m_bytes.get(), m_bytes.get() + m_begin, size());
            m_end -= m_begin;
            m_begin = 0;
        }
        room = m_capacity - m_end;
        return m_bytes.get() + m_end;
    }
    // Counts bytes written into freeSpace().
    void commit(size_t bytes) { m_end += bytes; }

    // Moves up to `bytes` from the front to `destination`; returns how many.
    size_t take(unsigned char *destination, size_t bytes)
    {
        const size_t taken = bytes < size() ? bytes : size();
        std::memcpy(destination, m_bytes.get() + m_begin, taken);
        m_begin += taken;
        return taken;
    }

private:
    size_t m_capacity = 0;
    std::unique_ptr<unsigned char[]> m_bytes;
    size_t m_begin = 0;
    size_t m_end = 0;
};

#endif
