#ifndef BRENLOWICK_PLAYBACK_STREAM_H
#define BRENLOWICK_PLAYBACK_STREAM_H

#include "platform/audio_output.h"

#include <atomic>
#include <cstdint>

class CrossThreadSignal;
class Mp3Decoder;

// What the audio thread plays: the current clip's decoder, whether it plays, and how far.
// render() decodes straight into the device's buffer, so a sample is counted as played the
// moment it is handed to the device, and the end of the clip is reported only on the next
// call, once its last sample has been handed over.
//
// The setters are for the UI thread and must be called under AudioOutput::Lock (or while the
// device is closed), which keeps render() out; the readers may be called at any time.
class PlaybackStream final : public AudioSource
{
public:
    explicit PlaybackStream(CrossThreadSignal &endSignal) : m_endSignal(endSignal) {}

    // A new clip (or none), halted at its start. The decoder stays owned by the caller.
    void setDecoder(Mp3Decoder *decoder);
    void setPlaying(bool playing) { m_playing = playing; }
    // Moves to this frame (clamped by the decoder); forgets an end reached or pending.
    void seek(int64_t frame);
    // Whether the clip has played to its end since the last seek or setDecoder.
    bool ended() const { return m_ended; }

    // Frames handed to the device since the clip's start, counting seeks.
    int64_t framesPlayed() const { return m_framesPlayed.load(std::memory_order_acquire); }
    // True once for each end of the clip that render() reported and no later seek or
    // setDecoder withdrew. Call when the end signal is posted.
    bool takeEnd() { return m_endReported.exchange(false, std::memory_order_acq_rel); }

    void render(unsigned char *buffer, int bytes) noexcept override;

private:
    void forgetEnd();

    CrossThreadSignal &m_endSignal;
    Mp3Decoder *m_decoder = nullptr;
    bool m_playing = false;
    bool m_ended = false;
    bool m_endPending = false;
    std::atomic<int64_t> m_framesPlayed = 0;
    std::atomic<bool> m_endReported = false;
};

#endif
