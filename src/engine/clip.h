#ifndef BRENLOWICK_CLIP_H
#define BRENLOWICK_CLIP_H

#include "engine/frame_ring.h"
#include "engine/tag_reader.h"
#include "engine/thread_wakeup.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

class Mp3Decoder;

// Where one song stands in playback.
enum class ClipState {
    Halted, // not handed to the output; resumes at `handed`
    Playing, // handed to the output as it asks
    EndAnnounced, // decoded to its end, its last sample close: the window is being told
    Ended, // the window took the end; what is left of it plays out (while not paused)
    Finished, // every sample handed (and, for an output that can take back, heard)
};

// One song in playback: its decoder, its decoded audio and where it stands. Its decoding
// thread and its info thread (tags, exact length) hold it as long as they run.
struct Clip {
    Clip(uint64_t id, std::shared_ptr<Mp3Decoder> decoder, int64_t ringFrames);

    // --- Immutable.
    const uint64_t id;
    const std::shared_ptr<Mp3Decoder> decoder; // the decoding thread's alone once it started
    const long rate;
    // The decoding thread sleeps here; posted whenever it may have work.
    ThreadWakeup decodeMore;
    // Posted when the tags have been read, for the window that waits a moment for them.
    ThreadWakeup tagsReady;
    // Set once, when the clip leaves playback: its threads end (a read under way first).
    std::atomic<bool> stopping = false;
    // Set when another song opens: the walk for the exact length gives up, so that the other
    // song's head does not wait behind its reads on a slow disk.
    std::atomic<bool> lengthScanStopping = false;

    // --- Under the stream's lock.
    ClipState state = ClipState::Halted;
    int64_t lengthFrames = 0;
    bool lengthExact = false;
    std::optional<SongTags> tags; // once the info thread has read them
    FrameRing ring;
    int64_t handed = 0; // the next frame for the output
    uint64_t decodeGeneration = 0; // bumped by a seek: what was decoding before is dropped
    std::optional<int64_t> seekTo; // for the decoding thread, before it decodes again
    bool filling = false; // the decoding thread decodes until the ring is full
    bool decodedToEnd = false;
    int readError = 0; // errno of the read that ended the decoding, 0 for an end
    bool fadeIn = false; // what is handed next fades in (a resume, a seek)
    std::optional<int64_t> pendingSeek; // asked for, applied once the output has let go
    bool endHandled = false; // the window's end-of-song handler has run
};

#endif
