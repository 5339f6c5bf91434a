#ifndef BRENLOWICK_PLAYBACK_STREAM_H
#define BRENLOWICK_PLAYBACK_STREAM_H

#include "app/app_error.h"
#include "engine/clip.h"
#include "engine/output_log.h"
#include "engine/thread_wakeup.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class Mp3Decoder;

// Where the threads of playback meet.
//
// Threads: the window's (commands, positions, the end), each song's decoding thread and info
// thread (clip_threads.cpp), the output's own thread (opening and closing the device, or a
// sound server's connection), and SDL's audio thread, which only copies (fillDeviceBuffer).
//
// Lock order: SDL's device lock (held around fillDeviceBuffer) before m_mutex; nothing is taken
// while m_mutex is held, no file is read, no device or server is called, and nothing allocates
// but the window's commands. Every thread sleeps on a ThreadWakeup (an eventfd) of the stream's,
// which the stream owns, so a thread left behind (a read that never returns) never posts into
// freed memory; the stream lives as long as the last of them.
//
// A command changes what is asked and returns: a song's new place, play or pause. What the
// output already holds is taken back by the output (a cut): an output that can (a sound server)
// flushes, tells where the sound really stands (acknowledgeCut) and fades it out there; SDL's
// cannot, and the cut applies at once where it has been handed. The end of a song is announced
// while its last samples are still to come (a buffer ahead for SDL, a fifth of a second for a
// server), so that the window can queue the next song behind it without a gap; until the window
// takes the end, a pause withdraws it, and afterwards what is left plays out, then halts.
class PlaybackStream {
public:
    static constexpr int FadeMilliseconds = 5;

    PlaybackStream();
    ~PlaybackStream();
    PlaybackStream(const PlaybackStream &) = delete;
    PlaybackStream &operator=(const PlaybackStream &) = delete;

    // Posted for the window: an end to take, a duration or tags that became known.
    ThreadWakeup &windowWakeup() { return m_windowWakeup; }
    // The output's thread sleeps here; posted whenever the output may have work.
    ThreadWakeup &outputWakeup() { return m_outputWakeup; }
    // SDL's audio thread sleeps here while it waits for the decoding or for the window.
    ThreadWakeup &deviceWakeup() { return m_deviceWakeup; }

    // --- The window's side. No call waits for a file, a device or a server.
    // Makes this decoder the current song, halted at its start, and starts its threads (they
    // hold `self`). The last song plays out behind it where it has ended and playback runs.
    static void setDecoder(
        const std::shared_ptr<PlaybackStream> &self, std::shared_ptr<Mp3Decoder> decoder);
    void clearClip();
    // Another song is about to be opened: the walks over the songs' files for their length
    // stop (a length not known by then is made exact by the decoding's end).
    void stopLengthScans();
    void play();
    void pause();
    void stop();
    void seek(int64_t frame);
    // The frame being heard of the current song; throws the failure of the device or of the
    // song's file, which every read gives until the next command.
    int64_t currentFrame() const;
    long sampleRate() const;
    int64_t lengthFrames() const;
    bool playing() const;
    // Tags, when the info thread has read them; waits for them up to `wait`.
    std::optional<SongTags> tags(std::chrono::milliseconds wait) const;
    // True once for each end of the current song announced and not withdrawn: the song is
    // then Ended. Call endHandled() once the window's handler has run.
    bool takeEnd();
    void endHandled();
    // True once after the current song's length or tags changed.
    bool takeInfoChanged();
    int64_t framesHanded() const;
    // Whether the current song is decoded to its end.
    bool decodedToEnd() const;
    // Joins or gives up on the songs' threads: returns once they have ended, or after `limit`
    // with those still in a read left to end by themselves.
    void stopClipThreads(std::chrono::milliseconds limit);
    // Frames of songs that have ended and still play out.
    int64_t endedTailFrames() const;

    // --- The output's side.
    // The output says what it can: take back what it handed (a server), and whether it fades.
    void setOutputCanTakeBack(bool canTakeBack);
    struct Plan {
        long rate = 0; // of the next audio to hand; 0 when there is none
        bool sound = false; // audio is to be handed now
        bool cut = false; // what was handed is to be taken back first
        bool idle = true; // halted with nothing handed that still plays
    };
    Plan plan() const;
    // Hands up to `frames` frames of the next audio at `rate` (stopping before audio at another
    // rate), fading where a command asks for it; returns how many. For the output's thread.
    int64_t pull(unsigned char *destination, int64_t frames, long rate);
    // The output's clock: at steady-clock time `atNs` the frame handed as `heardFrame` leaves
    // the device, and it runs on in real time while `running`; what lies before `keepFrom` will
    // not be taken back, so its memory is let go of.
    void heard(int64_t heardFrame, int64_t atNs, bool running, int64_t keepFrom, long rate);
    // The output lets go of everything it was handed from `frame` on (or from where it was
    // heard, if that lies further): applies the commands given since the cut and writes the
    // fade-out of the sound from there into `fadeOut` (up to `capacity` frames, at least one
    // where something is let go of, silent if the song's audio is gone); returns its frames,
    // which count as handed, and which the output plays in place of what it lets go of.
    int64_t acknowledgeCut(int64_t frame, unsigned char *fadeOut, int64_t capacity);
    // Announces the current song's end when its last sample lies no more than `lead` frames
    // past the output's frame `from`; returns the frames until that is so (0 when announced or
    // nothing to announce, -1 when it is not known yet).
    int64_t announceEndWithin(int64_t from, int64_t lead);
    // The device or server failed: playback halts where the sound was heard, and the position
    // reads give this error until the next command.
    void outputFailed(const AppError &error);
    // The output frame after the last one handed.
    int64_t handedEnd() const;
    // The output put this many frames of silence of its own behind what it was handed.
    void handSilence(int64_t frames);

    // --- SDL's audio thread: fills one device buffer at `rate`, waiting (briefly) for the
    // decoding and for the window's end-of-song handler, as a gap would be worse; zeros where
    // there is nothing to play. Takes nothing back: commands apply where it has handed.
    void fillDeviceBuffer(unsigned char *buffer, int64_t frames, long rate) noexcept;

    // --- The songs' threads (clip_threads.cpp).
    struct DecodingJob {
        bool stop = false;
        std::optional<int64_t> seekTo;
        uint64_t generation = 0;
        bool decode = false;
    };
    DecodingJob nextDecodingJob(Clip &clip);
    void decoded(Clip &clip, uint64_t generation, const unsigned char *pcm, int64_t frames,
        bool ended, int readError);
    void tagsRead(Clip &clip, SongTags tags);
    void lengthScanned(Clip &clip, int64_t frames);
    void clipThreadEnded();

    // Frames of the decoding that each burst refills, and of one decoding step.
    static constexpr int64_t StepFrames = 4096;

private:
    std::shared_ptr<Clip> currentLocked() const;
    // Cuts off every song but the current one, which it returns.
    std::shared_ptr<Clip> keepOnlyCurrentLocked();
    bool canTakeBackLocked() const;
    void beginCutLocked();
    void cutOffLocked(const std::shared_ptr<Clip> &clip);
    void applyCutLocked(int64_t frame);
    void applyPendingSeekLocked(Clip &clip);
    void dropClipLocked(const std::shared_ptr<Clip> &clip);
    void wakeDecodingLocked(Clip &clip);
    int64_t heardFrameLocked(int64_t nowNs) const;
    int64_t positionLocked(const Clip &clip, int64_t nowNs) const;
    int64_t pullLocked(unsigned char *destination, int64_t frames, long rate);
    int64_t announceEndWithinLocked(int64_t from, int64_t lead);
    void finishClipsLocked();
    void failClipReadLocked(Clip &clip);
    void releaseLocked(int64_t keepFrom);

    mutable std::mutex m_mutex;

    // --- Under m_mutex.
    // Songs in the order they play: those that ended and still play out, then the current.
    std::vector<std::shared_ptr<Clip>> m_clips;
    // Songs cut off, kept until the output has taken back what it holds of them (their sound
    // fades out from there).
    std::vector<std::shared_ptr<Clip>> m_cutOff;
    static std::atomic<uint64_t> s_nextClipId;
    bool m_running = false; // Play was the last of Play, Pause and Stop
    bool m_canTakeBack = false;
    bool m_cutPending = false; // the output is to take back what it holds
    std::optional<AppError> m_failure;
    bool m_infoChanged = false;
    bool m_endPending = false; // an end was announced and the window is to take it
    OutputLog m_log; // what was handed, output frame by song frame
    struct Clock {
        int64_t frame = 0; // output frame heard at...
        int64_t atNs = 0; // ...this time
        bool running = false;
        long rate = 0;
    } m_clock;
    int64_t m_clockFloor = 0; // the output frame heard never shows less
    int64_t m_keepFrom = 0; // what the output handed before this will not come back
    std::weak_ptr<Clip> m_lastEnded; // the song whose end the window took last
    bool m_fadeInNext = false; // the next frames handed fade in (a resume, a seek)
    mutable int64_t m_positionFloor = 0; // the current song's position never shows less
    int m_clipThreads = 0;
    bool m_deviceWaiting = false; // SDL's audio thread waits for the decoding or the window
    bool m_outputStarved = false; // the output's thread waits for the decoding

    ThreadWakeup m_windowWakeup;
    ThreadWakeup m_outputWakeup;
    ThreadWakeup m_deviceWakeup;
    ThreadWakeup m_threadsDone;
};

#endif
