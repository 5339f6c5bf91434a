#ifndef BRENLOWICK_OUTPUT_LOG_H
#define BRENLOWICK_OUTPUT_LOG_H

#include "engine/clip.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

// What was handed to the output, in the output's frames: which song's frames went where. The
// output's clock says which output frame is heard; this log turns it into a song's position,
// and tells what to hand again after the output took back what it held. A fixed number of
// stretches, so the audio thread never allocates: consecutive frames of one song make one.
// Not thread-safe: the stream keeps it under its lock.
class OutputLog {
public:
    struct Stretch {
        int64_t outputStart = 0;
        int64_t frames = 0;
        std::shared_ptr<Clip> clip;
        int64_t clipStart = 0;
        int64_t outputEnd() const { return outputStart + frames; }
    };

    int64_t handedEnd() const { return m_handedEnd; }

    // The song's frames [clipFrame, clipFrame + frames) were handed at handedEnd().
    void append(const std::shared_ptr<Clip> &clip, int64_t clipFrame, int64_t frames)
    {
        if (m_count > 0) {
            Stretch &last = at(m_count - 1);
            if (last.clip == clip && last.clipStart + last.frames == clipFrame
                && last.outputEnd() == m_handedEnd) {
                last.frames += frames;
                m_handedEnd += frames;
                return;
            }
        }
        if (m_count == Capacity)
            dropFront();
        at(m_count++) = Stretch {m_handedEnd, frames, clip, clipFrame};
        m_handedEnd += frames;
    }

    // The song's frame that is next to be heard when the output is at `outputFrame`: before
    // its first stretch, where that begins; within one, its frame there; past them all, where
    // its last ends. Empty when nothing of the song is in the log.
    std::optional<int64_t> clipFrameAt(const Clip &clip, int64_t outputFrame) const
    {
        std::optional<int64_t> frame;
        for (int i = 0; i < m_count; ++i) {
            const Stretch &stretch = at(i);
            if (stretch.clip.get() != &clip)
                continue;
            if (outputFrame < stretch.outputStart)
                return frame ? frame : stretch.clipStart;
            if (outputFrame < stretch.outputEnd())
                return stretch.clipStart + (outputFrame - stretch.outputStart);
            frame = stretch.clipStart + stretch.frames;
        }
        return frame;
    }

    // The stretch that holds this output frame, if any.
    const Stretch *stretchAt(int64_t outputFrame) const
    {
        for (int i = 0; i < m_count; ++i) {
            const Stretch &stretch = at(i);
            if (outputFrame >= stretch.outputStart && outputFrame < stretch.outputEnd())
                return &stretch;
        }
        return nullptr;
    }

    // The output frame after the song's last frame in the log; empty when none is.
    std::optional<int64_t> outputEndOf(const Clip &clip) const
    {
        for (int i = m_count - 1; i >= 0; --i) {
            if (at(i).clip.get() == &clip)
                return at(i).outputEnd();
        }
        return std::nullopt;
    }

    // The output took back everything from `outputFrame` on: the next frame handed goes there.
    void truncate(int64_t outputFrame)
    {
        while (m_count > 0 && at(m_count - 1).outputStart >= outputFrame) {
            at(m_count - 1).clip.reset();
            --m_count;
        }
        if (m_count > 0 && at(m_count - 1).outputEnd() > outputFrame)
            at(m_count - 1).frames = outputFrame - at(m_count - 1).outputStart;
        m_handedEnd = outputFrame;
    }

    // Forgets stretches that end before `outputFrame`, but the last one of each song, which
    // still tells where the song stands.
    void release(int64_t outputFrame)
    {
        while (m_count > 1 && at(0).outputEnd() <= outputFrame) {
            bool later = false;
            for (int i = 1; i < m_count && !later; ++i)
                later = at(i).clip == at(0).clip;
            if (!later && at(0).clip && !at(0).clip->stopping.load())
                break;
            dropFront();
        }
    }

    // Forgets everything of a song that left playback.
    void forget(const Clip &clip)
    {
        for (int i = 0; i < m_count; ++i) {
            if (at(i).clip.get() == &clip)
                at(i).clip.reset();
        }
        while (m_count > 0 && !at(0).clip)
            dropFront();
    }

private:
    static constexpr int Capacity = 32;

    Stretch &at(int index)
    {
        return m_stretches[static_cast<size_t>((m_first + index) % Capacity)];
    }
    const Stretch &at(int index) const
    {
        return m_stretches[static_cast<size_t>((m_first + index) % Capacity)];
    }
    void dropFront()
    {
        at(0).clip.reset();
        m_first = (m_first + 1) % Capacity;
        --m_count;
    }

    std::array<Stretch, Capacity> m_stretches;
    int m_first = 0;
    int m_count = 0;
    int64_t m_handedEnd = 0;
};

#endif
