#ifndef BRENLOWICK_PLAYBACK_STREAM_H
#define BRENLOWICK_PLAYBACK_STREAM_H

#include "platform/audio_output.h"

#include <atomic>
#include <cstdint>

class CrossThreadSignal;
class Mp3Decoder;

// What the audio thread plays: the current clip's decoder, whether it plays, and how far.
// render() decodes straight into the device's buffer, and reports the end of the clip on the
// call after the one that handed its last sample to the device.
//
// The setters are for the UI thread and must be called under AudioOutput::Lock (or while the
// device is closed), which keeps render() out; the readers may be called at any time, and
// render() never waits for them.
class PlaybackStream final : public AudioSource
{
public:
    explicit PlaybackStream(CrossThreadSignal &endSignal) : m_endSignal(endSignal) {}

    // A new clip (or none), halted at its start. The decoder stays owned by the caller.
    void setDecoder(Mp3Decoder *decoder);
    void setPlaying(bool playing);
    // Moves to this frame (clamped by the decoder); forgets an end reached or pending.
    void seek(int64_t frame);
    // Whether the clip has played to its end since the last seek or setDecoder.
    bool ended() const { return m_ended; }

    // The frame being heard. While halted, exactly where playback resumes; while playing,
    // interpolated from the time the latest buffer was handed over, so that it moves smoothly
    // and lies within half a buffer of what is heard whether the device plays a buffer as it
    // takes it (SDL's dummy and disk drivers) or one buffer later (sound servers).
    int64_t currentFrame() const;
    // Frames handed to the device since the clip's start, counting seeks.
    int64_t framesHanded() const { return snapshot().handed; }
    // True once for each end of the clip that render() reported and no later seek or
    // setDecoder withdrew. Call when the end signal is posted.
    bool takeEnd() { return m_endReported.exchange(false, std::memory_order_acq_rel); }

    void render(unsigned char *buffer, int bytes) noexcept override;

private:
    // Where playback stands, published by one writer at a time (render(), or the UI thread
    // under the lock) and read without locking: a sequence count that is odd while a write is
    // under way tells the reader to try again.
    struct Progress
    {
        int64_t handed = 0;        // frames handed to the device since the clip's start
        int64_t bufferStart = 0;   // frame at which the latest buffer began
        int64_t bufferFrames = 0;  // its length in frames
        int64_t handedAtNs = 0;    // steady-clock time it was handed over
        int64_t floor = 0;         // never show less: the frame of the last seek or resume
    };
    void publish(const Progress &progress);
    Progress snapshot() const;
    void forgetEnd();

    CrossThreadSignal &m_endSignal;
    Mp3Decoder *m_decoder = nullptr;
    std::atomic<bool> m_playing = false;
    bool m_ended = false;
    bool m_endPending = false;
    std::atomic<bool> m_endReported = false;

    Progress m_progress; // the writer's own copy
    mutable std::atomic<uint32_t> m_sequence = 0;
    std::atomic<int64_t> m_shared[5] = {};
};

#endif
