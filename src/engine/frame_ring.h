#ifndef BRENLOWICK_FRAME_RING_H
#define BRENLOWICK_FRAME_RING_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

// One song's decoded audio on its way from its decoding thread to the output: a ring of
// 16-bit stereo frames allocated once, addressed by the frame's number within the song. It
// holds the frames [first(), end()): what is decoded and not yet let go of, which for an output
// that can take back what it handed (a sound server) includes what it holds and has not played.
// Not thread-safe: the stream keeps it under its lock.
class FrameRing {
public:
    explicit FrameRing(int64_t capacityFrames)
        : m_capacity(capacityFrames)
        , m_frames(std::make_unique_for_overwrite<uint32_t[]>(static_cast<size_t>(capacityFrames)))
    {
    }

    int64_t capacity() const { return m_capacity; }
    int64_t first() const { return m_first; }
    int64_t end() const { return m_end; }
    int64_t freeFrames() const { return m_capacity - (m_end - m_first); }

    // Empty, the next frame to come being `frame`.
    void reset(int64_t frame)
    {
        m_first = frame;
        m_end = frame;
    }
    // Appends up to freeFrames() frames; returns how many.
    int64_t append(const unsigned char *bytes, int64_t frames)
    {
        frames = std::min(frames, freeFrames());
        forEachRun(m_end, frames, [&](uint32_t *inRing, size_t offset, size_t length) {
            std::memcpy(inRing, bytes + offset, length);
        });
        m_end += frames;
        return frames;
    }
    // Copies the frames [from, from + frames), which must lie within the ring.
    void read(int64_t from, unsigned char *destination, int64_t frames) const
    {
        forEachRun(from, frames, [&](const uint32_t *inRing, size_t offset, size_t length) {
            std::memcpy(destination + offset, inRing, length);
        });
    }
    // Lets go of the frames before `frame`.
    void release(int64_t frame) { m_first = std::clamp(frame, m_first, m_end); }

private:
    // Calls `run(frames, byteOffset, byteLength)` for each stretch of the frames [from, from +
    // frames) that lies in one piece in memory.
    template<typename Run> void forEachRun(int64_t from, int64_t frames, Run run) const
    {
        size_t offset = 0;
        while (frames > 0) {
            const int64_t slot = from % m_capacity;
            const int64_t length = std::min(frames, m_capacity - slot);
            const auto bytes = static_cast<size_t>(length) * sizeof(uint32_t);
            run(m_frames.get() + slot, offset, bytes);
            offset += bytes;
            from += length;
            frames -= length;
        }
    }

    int64_t m_capacity = 0;
    std::unique_ptr<uint32_t[]> m_frames;
    int64_t m_first = 0;
    int64_t m_end = 0;
};

#endif
