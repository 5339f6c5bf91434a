#ifndef BRENLOWICK_PLAYBACK_STREAM_H
#define BRENLOWICK_PLAYBACK_STREAM_H

#include "engine/audio_output.h"
#include "engine/pcm_ring.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

class CrossThreadSignal;
class Mp3Decoder;
class ThreadWakeup;

// Where the three threads of playback meet: the UI thread's commands, the decoding thread that
// reads and decodes the song file ahead (decodeNext), and the device's thread, which only
// copies what is decoded (render). One lock guards it all, and it is never held while a file
// is read or a buffer decoded: a command waits for a copy at most, never for the disk. The
// device's thread may wait for the decoding, without the lock, when it asks faster than the
// decoding has gone ahead.
//
// While playing, the decoding runs nearly three seconds ahead of the device, refilled in bursts
// when it runs short.
// The end of the clip is signalled once its last sample is decoded and at most a buffer away
// from the device, and once the owner has taken the end (takeEnd) what is left of the clip
// plays out whatever comes next, so the next song can be opened and started while the last of
// this one still plays, and follows it without a gap. Before that, a seek, a stop or a new clip
// cuts the decoded audio off and withdraws the end.
class PlaybackStream final : public AudioSource
{
public:
    // `decodeMore` wakes the decoding thread: posted when it has work, and when the device
    // may have become idle.
    PlaybackStream(CrossThreadSignal &endSignal, ThreadWakeup &decodeMore);
    ~PlaybackStream();

    // --- The UI thread's side.
    // A new clip (or none), halted at its start. Its first buffer is decoded here, before the
    // decoding thread shares the decoder: the bytes are still in the reader's buffer from the
    // opening, and the device's next request finds them ready, whether it comes right after a
    // Play or behind the last song's tail.
    void setDecoder(std::shared_ptr<Mp3Decoder> decoder);
    void setPlaying(bool playing);
    // Moves to this frame (clamped to the clip); forgets an end reached or signalled.
    void seek(int64_t frame);
    // Whether the clip's end has been announced since the last seek or setDecoder.
    bool ended() const;
    bool playing() const;
    // Halted (paused, stopped, ended) with nothing left to hand to the device.
    bool idle() const;
    // The frame being heard. While halted, exactly where playback resumes; while playing,
    // interpolated from the time the latest buffer was handed over, so that it moves smoothly
    // and lies within half a buffer of what is heard whether the device plays a buffer as it
    // takes it (SDL's dummy and disk drivers) or one buffer later (sound servers).
    int64_t currentFrame() const;
    // Frames handed to the device since the clip's start, counting seeks.
    int64_t framesHanded() const;
    // True once for each end of the clip that render() signalled and no later seek or
    // setDecoder withdrew; the clip then halts at its end, and its decoded tail plays out.
    // Call when the end signal is posted.
    bool takeEnd();
    // Bytes of an ended clip's tail still to be handed to the device.
    size_t endedTailBytes() const;
    // For a device about to be reopened at another rate, where the tail would play wrong.
    void dropEndedTail();

    // --- The decoding thread's side.
    // Seeks and decodes one device buffer, if the clip wants more; reads the file and decodes
    // without holding the lock, and drops what it made if a command came meanwhile. Returns
    // false when there is nothing to do until decodeMore is posted again. One thread at a time.
    bool decodeNext();
    // Whether the decoding has reached the clip's end, some buffers before the end is
    // announced.
    bool decodedToEnd() const;

    // --- The device thread's side.
    void render(unsigned char *buffer, int bytes) noexcept override;

private:
    struct Progress
    {
        int64_t handed = 0;       // frames handed to the device since the clip's start
        int64_t bufferStart = 0;  // frame at which the latest buffer began
        int64_t bufferFrames = 0; // its length in frames
        int64_t handedAtNs = 0;   // steady-clock time it was handed over
        int64_t floor = 0;        // never show less: the last seek or resume, or where the
                                  // position stood when the latest buffer was handed over
    };
    // Where playback stands at this time by the progress: the latest buffer's middle is heard
    // when it is handed over, and time runs on from there, within [floor, handed]. Under the
    // lock.
    int64_t interpolated(int64_t atNs) const;
    // The decoded audio of the clip starts again from here: cut off (an ended tail apart), a
    // fresh tag, and the end forgotten. Under the lock.
    void restartDecoding();
    // Under the lock.
    bool wantsDecoding();
    int clipSlots() const;
    void awaitDecoding(std::unique_lock<std::mutex> &lock, size_t needed);
    void handOver(unsigned char *buffer, size_t wanted, size_t &filled, bool &announce,
                  bool &wake);

    // The decoding keeps this many buffers ahead, and is woken when fewer than LowSlots are.
    // Each burst starts from cold caches and a wake-up, so fewer, longer bursts cost less:
    // bursts of 26 buffers took some 10 ms of CPU a minute of audio off the decoding thread
    // against bursts of 8, for 256 KB more of ring. A command cuts the ring wherever it is, so
    // no pause, seek or new song waits for what is decoded ahead.
    static constexpr int FillSlots = 30;
    static constexpr int LowSlots = 4;

    CrossThreadSignal &m_endSignal;
    ThreadWakeup &m_decodeMore;

    mutable std::mutex m_mutex;
    std::condition_variable m_decoded; // a buffer decoded, or a command given
    std::shared_ptr<Mp3Decoder> m_decoder;
    long m_sampleRate = 0;
    int64_t m_lengthFrames = 0;
    uint64_t m_clip = 1;                  // the tag of the current clip's decoded audio
    std::optional<int64_t> m_pendingSeek; // for the decoding thread, before its next decoding
    bool m_playing = false;
    bool m_filling = false;      // the decoding thread is to decode until FillSlots are ready
    bool m_decodedToEnd = false; // nothing more to decode
    bool m_endAnnounced = false; // and the end signalled, its last sample a buffer away
    bool m_endReported = false;  // and not yet taken
    uint64_t m_tailClip = 0;     // the tag of an ended clip whose tail still plays out
    Progress m_progress;
    PcmRing m_ring;
    // Where a buffer is decoded before it goes into the ring: one for the decoding thread, one
    // for the UI thread's first buffer of a clip. Outside the lock, each is its thread's own.
    std::unique_ptr<unsigned char[]> m_decodingBuffer;
    std::unique_ptr<unsigned char[]> m_firstBuffer;
};

#endif
