#ifndef BRENLOWICK_SINK_RECORDER_H
#define BRENLOWICK_SINK_RECORDER_H

#include "sound/harness/recording.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <mutex>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

// Records what a sink of the server in PULSE_SERVER plays, from its monitor, on libpulse's own
// thread, and stamps it with the time each part left the sink: the time it arrived less the
// record stream's latency, which the stream asks to be kept small (a few milliseconds of
// fragments), so that a pause or a seek is timed to a few milliseconds.
class SinkRecorder {
public:
    explicit SinkRecorder(QByteArray sink);
    ~SinkRecorder();
    SinkRecorder(const SinkRecorder &) = delete;
    SinkRecorder &operator=(const SinkRecorder &) = delete;

    // Connects, and returns once the sink's sound reaches the recorder (false with error()).
    // Restarts the sink's clock (a moment's suspension), so it is for a sink where nothing
    // plays yet.
    bool start();
    QString error() const { return m_error; }

    // Everything recorded so far.
    Recording recording() const;
    // When the latest recorded frame left the sink; 0 before any.
    int64_t recordedUntilNs() const;
    // The server went away: nothing more will come.
    bool lost() const { return m_lost; }

private:
    static void onContextState(pa_context *context, void *self);
    static void onStreamState(pa_stream *stream, void *self);
    static void onReadable(pa_stream *stream, size_t bytes, void *self);
    void takeReadable();
    bool connectLocked();
    static void onSuccess(pa_context *context, int success, void *self);
    bool suspendLocked(bool suspended);
    bool restartSinkClock();

    QByteArray m_sink;
    QString m_error;
    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    bool m_succeeded = false;
    std::atomic<bool> m_lost = false;
    mutable std::mutex m_mutex;
    Recording m_recording;
};

#endif
