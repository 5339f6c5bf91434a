#ifndef BRENLOWICK_PULSE_OUTPUT_H
#define BRENLOWICK_PULSE_OUTPUT_H

#include "engine/audio_output.h"

#include <pulse/pulseaudio.h>

#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

class PlaybackStream;
class PulseConnection;

// The sound server's own output (libpulse, which PulseAudio and PipeWire's pipewire-pulse both
// serve): the server holds a second and a half of the song and asks for more in bursts of
// three quarters of a second, so the program wakes a few times a second. A command takes back
// what the server holds: a fade-out of a few milliseconds is written over the server's queue
// just past what its sink has taken, and the queue ends there; a resume or a seek fades in, so
// that neither clicks. Positions
// come from the server's own clock. A server that goes away is reported as a lost device, and
// the next Play connects again.
class PulseOutput final : public AudioOutput {
public:
    explicit PulseOutput(std::chrono::milliseconds idleGrace);
    ~PulseOutput() override;

    bool run(PlaybackStream &stream, const std::atomic<bool> &stopping) override;
    const char *name() const override { return "pulse"; }
    // For an engine that wants the server's output only: no server answered.
    void reportNoServer(PlaybackStream &stream);

private:
    enum class Cut { None, Measuring };

    void service();
    void serviceStream(long rate, bool sound);
    void openStream(long rate);
    void closeStream();
    void lose(const QString &reason);
    void write();
    void takeBack();
    // The output frame leaving the sink now, by the server's clock; empty before it has told.
    std::optional<int64_t> heardFrame() const;
    void measure();
    void publishClock();
    void scheduleNext(bool sound);

    static void onStreamState(pa_stream *, void *self);
    static void onWritable(pa_stream *, size_t, void *self);
    static void onCutMeasured(pa_stream *, int success, void *self);
    static void onTiming(pa_stream *, int success, void *self);
    static void onStarted(pa_stream *, void *self);
    static void onRanDry(pa_stream *, void *self);
    static void onDrained(pa_stream *, int success, void *self);

    const std::chrono::milliseconds m_idleGrace;

    // --- The output thread's own.
    PlaybackStream *m_stream = nullptr;
    const std::atomic<bool> *m_stopping = nullptr;
    std::unique_ptr<PulseConnection> m_connection;
    pa_stream *m_pa = nullptr;
    long m_rate = 0;
    int64_t m_frameBase = 0; // the output frame of the server stream's first byte
    bool m_draining = false;
    bool m_timingPending = false;
    int m_burstsSinceReading = 0;
    bool m_ranDry = false; // the server played all it had: the next write lands where it is
    Cut m_cut = Cut::None;
    std::optional<std::chrono::steady_clock::time_point> m_idleSince;
};

#endif
