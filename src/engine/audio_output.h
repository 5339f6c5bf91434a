#ifndef BRENLOWICK_AUDIO_OUTPUT_H
#define BRENLOWICK_AUDIO_OUTPUT_H

#include <atomic>

class PlaybackStream;

// One way of getting the stream's audio to a device: SDL's audio subsystem, or a sound
// server's own client library. An output lives on the engine's output thread: it opens, feeds
// and closes its device there, away from the window's thread and outside the stream's lock,
// as the stream's plan asks, and sleeps on the stream's output wakeup in between.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // Serves the stream until `stopping` is set (the stream's output wakeup is posted then).
    // Returns false at once, having touched nothing, when it cannot serve here at all (no
    // server answers), so that another output may.
    virtual bool run(PlaybackStream &stream, const std::atomic<bool> &stopping) = 0;
    virtual const char *name() const = 0;

    // Any thread: whether a device is open (a stream on the server connected).
    bool deviceOpen() const { return m_deviceOpen.load(); }

protected:
    std::atomic<bool> m_deviceOpen = false;
};

#endif
