#ifndef BRENLOWICK_RECORDING_H
#define BRENLOWICK_RECORDING_H

#include <cstddef>
#include <cstdint>
#include <vector>

// Interleaved signed 16-bit stereo, as the engine plays it.
using StereoPcm = std::vector<int16_t>;

// What a sink played, and when: the frames in the order they left it, and for some of them the
// steady-clock time (nanoseconds) at which they did. The sink's clock may stop (a suspended
// sink) but never runs at another pace, so between two such stops the frames lie on one line of
// time, which the marks give.
struct Recording {
    struct Mark {
        int64_t frame = 0; // frames recorded before this instant
        int64_t leftNs = 0;
    };

    StereoPcm pcm;
    long rate = 0;
    std::vector<Mark> marks;

    int64_t frames() const { return static_cast<int64_t>(pcm.size() / 2); }
    // When this frame left the sink.
    int64_t nsOfFrame(int64_t frame) const;
    // The frame that left the sink at this time (clamped to what was recorded).
    int64_t frameAtNs(int64_t ns) const;

private:
    // Where the line through the marks near this one lies: its instant at frame 0.
    int64_t lineOriginNs(size_t markIndex) const;
    size_t markNearFrame(int64_t frame) const;
    size_t markNearNs(int64_t ns) const;
};

int64_t steadyNowNs();

#endif
