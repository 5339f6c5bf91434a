#ifndef BRENLOWICK_PLAYBACK_STREAM_H
#define BRENLOWICK_PLAYBACK_STREAM_H

#include "platform/audio_output.h"
#include "platform/frame_queue.h"

#include <atomic>
#include <cstdint>

class CrossThreadSignal;
class Mp3Decoder;

// What the audio thread plays: the current clip's decoder, whether it plays, and how far.
//
// render() keeps at least one device buffer of decoded audio queued ahead of what it hands to
// the device, and refills it several buffers at a time: that queue is the device's first
// stage. The end of the clip is signalled once its last sample is in the queue and at most a
// buffer away from the device, and once the owner has taken the end (takeEnd) the queued tail
// counts as handed over and plays out whatever comes next, so the next song can be opened
// and started while the last of this one still plays, and follows it without a gap. Before
// that, a seek, a stop or a new clip cuts the queued audio off and withdraws the end.
//
// The setters are for the UI thread and must be called under AudioOutput::Lock (or while the
// device is closed), which keeps render() out; the readers may be called at any time, and
// render() never waits for them.
class PlaybackStream final : public AudioSource
{
public:
    explicit PlaybackStream(CrossThreadSignal &endSignal);

    // A new clip (or none), halted at its start. The decoder stays owned by the caller.
    void setDecoder(Mp3Decoder *decoder);
    // Starting decodes the first buffer at once (primeFirstBuffer).
    void setPlaying(bool playing);
    // Moves to this frame (clamped by the decoder); forgets an end reached or signalled.
    // While playing, the first buffer from there is decoded at once.
    void seek(int64_t frame);
    // Whether the clip's end has been announced since the last seek or setDecoder.
    bool ended() const { return m_endAnnounced; }
    // Whether the decoding ahead has reached the clip's end, which comes some buffers before
    // the end is announced.
    bool decodedToEnd() const { return m_decoderFinished; }

    // The frame being heard. While halted, exactly where playback resumes; while playing,
    // interpolated from the time the latest buffer was handed over, so that it moves smoothly
    // and lies within half a buffer of what is heard whether the device plays a buffer as it
    // takes it (SDL's dummy and disk drivers) or one buffer later (sound servers).
    int64_t currentFrame() const;
    // Frames handed to the device since the clip's start, counting seeks.
    int64_t framesHanded() const { return snapshot().handed; }
    // True once for each end of the clip that render() signalled and no later seek or
    // setDecoder withdrew; the clip then halts at its end, and its queued tail plays out.
    // Call when the end signal is posted.
    bool takeEnd();
    // Bytes of an ended clip's tail still to be handed to the device (under the lock).
    size_t endedTailBytes() const { return m_previousTail; }
    // For a device about to be reopened at another rate, where the tail would play wrong.
    void dropEndedTail();

    void render(unsigned char *buffer, int bytes) noexcept override;

private:
    // Where playback stands, published by one writer at a time (render(), or the UI thread
    // under the lock) and read without locking: a sequence count that is odd while a write is
    // under way tells the reader to try again.
    struct Progress
    {
        int64_t handed = 0;       // frames handed to the device since the clip's start
        int64_t bufferStart = 0;  // frame at which the latest buffer began
        int64_t bufferFrames = 0; // its length in frames
        int64_t handedAtNs = 0;   // steady-clock time it was handed over
        int64_t floor = 0;        // never show less: the last seek or resume, or where the
                                  // position stood when the latest buffer was handed over
    };
    void publish(const Progress &progress);
    // Where playback stands at this time by the progress: the latest buffer's middle is heard
    // when it is handed over, and time runs on from there, within [floor, handed].
    static int64_t interpolated(const Progress &progress, int64_t atNs, long sampleRate);
    Progress snapshot() const;
    void forgetEnd();
    // Drops the current clip's queued audio; an ended clip's tail still plays.
    void discardQueued();
    // Decodes until `bytes` of the current clip are queued, or the clip ends.
    void decodeAhead(size_t bytes) noexcept;
    // Signals the end once the clip is decoded to it and no more than `bytes` of it are left
    // to hand to the device.
    void announceEndWithin(size_t bytes) noexcept;
    // Decodes the first buffer after a start, a resume or a seek on the caller's thread, so
    // that the device's next request finds it ready rather than waiting for it to be decoded.
    void primeFirstBuffer() noexcept;

    CrossThreadSignal &m_endSignal;
    Mp3Decoder *m_decoder = nullptr;
    std::atomic<bool> m_playing = false;
    // Device buffers decoded at once when the look-ahead runs short.
    static constexpr int BurstBuffers = 8;

    bool m_decoderFinished = false; // decoded to the end: nothing more to decode
    bool m_endAnnounced = false;    // and the end signalled, its last sample a buffer away
    std::atomic<bool> m_endReported = false;
    FrameQueue m_queue;
    size_t m_previousTail = 0; // bytes at the queue's front that belong to an ended clip
    bool m_freshStart = true;  // nothing decoded since the clip was set or sought

    Progress m_progress; // the writer's own copy
    mutable std::atomic<uint32_t> m_sequence = 0;
    std::atomic<int64_t> m_shared[5] = {};
};

#endif
