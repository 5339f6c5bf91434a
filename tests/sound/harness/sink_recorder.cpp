#include "sound/harness/sink_recorder.h"

#include <QDeadlineTimer>
#include <QThread>

#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>

#include <cstring>

namespace {

constexpr long Rate = 44100;
constexpr size_t BytesPerFrame = 4;
// Fragments of about 3 ms: each arrives that much after its first frame left the sink.
constexpr uint32_t FragmentBytes = 128 * BytesPerFrame;

pa_sample_spec stereo16()
{
    return {PA_SAMPLE_S16LE, static_cast<uint32_t>(Rate), 2};
}

} // namespace

SinkRecorder::SinkRecorder(QByteArray sink)
    : m_sink(std::move(sink))
{
    m_recording.rate = Rate;
    // Half a minute, so that a usual test never reallocates while the server delivers.
    m_recording.pcm.reserve(30 * Rate * 2);
}

SinkRecorder::~SinkRecorder()
{
    if (!m_loop)
        return;
    pa_threaded_mainloop_lock(m_loop);
    if (m_stream) {
        pa_stream_set_read_callback(m_stream, nullptr, nullptr);
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
    }
    if (m_context) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
    }
    pa_threaded_mainloop_unlock(m_loop);
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
}

void SinkRecorder::onContextState(pa_context *context, void *self)
{
    auto *recorder = static_cast<SinkRecorder *>(self);
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED)
        recorder->m_lost = true;
    pa_threaded_mainloop_signal(recorder->m_loop, 0);
}

void SinkRecorder::onStreamState(pa_stream *, void *self)
{
    pa_threaded_mainloop_signal(static_cast<SinkRecorder *>(self)->m_loop, 0);
}

void SinkRecorder::onReadable(pa_stream *, size_t, void *self)
{
    static_cast<SinkRecorder *>(self)->takeReadable();
}

void SinkRecorder::takeReadable()
{
    std::lock_guard lock(m_mutex);
    bool took = false;
    while (pa_stream_readable_size(m_stream) > 0) {
        const void *data = nullptr;
        size_t bytes = 0;
        if (pa_stream_peek(m_stream, &data, &bytes) < 0 || bytes == 0)
            break;
        const size_t samples = bytes / 2;
        const size_t at = m_recording.pcm.size();
        m_recording.pcm.resize(at + samples);
        // A hole (the server dropped what the recorder was too slow for) keeps its length in
        // silence, so that later frames keep their times.
        if (data)
            std::memcpy(m_recording.pcm.data() + at, data, samples * 2);
        else
            std::memset(m_recording.pcm.data() + at, 0, samples * 2);
        pa_stream_drop(m_stream);
        took = true;
    }
    pa_usec_t latency = 0;
    int negative = 0;
    if (!took || pa_stream_get_latency(m_stream, &latency, &negative) != 0)
        return;
    const int64_t latencyNs = static_cast<int64_t>(latency) * 1000 * (negative ? -1 : 1);
    m_recording.marks.push_back({m_recording.frames(), steadyNowNs() - latencyNs});
}

bool SinkRecorder::connectLocked()
{
    pa_threaded_mainloop_lock(m_loop);
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "brenlowick sink recorder");
    pa_context_set_state_callback(m_context, onContextState, this);
    bool ok = pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) == 0
        && pa_threaded_mainloop_start(m_loop) == 0;
    while (ok && pa_context_get_state(m_context) != PA_CONTEXT_READY) {
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)))
            ok = false;
        else
            pa_threaded_mainloop_wait(m_loop);
    }
    if (ok) {
        const pa_sample_spec spec = stereo16();
        m_stream = pa_stream_new(m_context, "sink monitor", &spec, nullptr);
        pa_stream_set_state_callback(m_stream, onStreamState, this);
        pa_stream_set_read_callback(m_stream, onReadable, this);
        pa_buffer_attr attributes;
        std::memset(&attributes, 0xff, sizeof attributes);
        attributes.fragsize = FragmentBytes;
        const QByteArray monitor = m_sink + ".monitor";
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY
            | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_DONT_MOVE);
        ok = pa_stream_connect_record(m_stream, monitor.constData(), &attributes, flags) == 0;
        while (ok && pa_stream_get_state(m_stream) != PA_STREAM_READY) {
            if (!PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream)))
                ok = false;
            else
                pa_threaded_mainloop_wait(m_loop);
        }
    }
    if (!ok)
        m_error = QStringLiteral("recorder: ")
            + QString::fromUtf8(pa_strerror(pa_context_errno(m_context)));
    pa_threaded_mainloop_unlock(m_loop);
    return ok;
}

void SinkRecorder::onSuccess(pa_context *, int success, void *self)
{
    auto *recorder = static_cast<SinkRecorder *>(self);
    recorder->m_succeeded = success != 0;
    pa_threaded_mainloop_signal(recorder->m_loop, 0);
}

bool SinkRecorder::suspendLocked(bool suspended)
{
    pa_operation *operation = pa_context_suspend_sink_by_name(
        m_context, m_sink.constData(), suspended ? 1 : 0, onSuccess, this);
    if (!operation)
        return false;
    while (pa_operation_get_state(operation) == PA_OPERATION_RUNNING)
        pa_threaded_mainloop_wait(m_loop);
    pa_operation_unref(operation);
    return m_succeeded;
}

bool SinkRecorder::restartSinkClock()
{
    // A null sink that had nothing to play has rendered a long stretch ahead (its largest
    // latency, two seconds), and shortening its latency for the recorder does not take that
    // back: nothing would reach the recorder for that long. A sink coming out of suspension
    // starts its clock afresh, at the latency asked for now.
    pa_threaded_mainloop_lock(m_loop);
    const bool ok = suspendLocked(true) && suspendLocked(false);
    if (!ok)
        m_error = QStringLiteral("recorder: cannot restart the sink: ")
            + QString::fromUtf8(pa_strerror(pa_context_errno(m_context)));
    pa_threaded_mainloop_unlock(m_loop);
    return ok;
}

bool SinkRecorder::start()
{
    m_loop = pa_threaded_mainloop_new();
    if (!connectLocked() || !restartSinkClock())
        return false;
    const QDeadlineTimer deadline(5000);
    while (recording().frames() < Rate / 50) {
        if (deadline.hasExpired() || m_lost) {
            m_error = QStringLiteral("recorder: no sound reaches the sink's monitor");
            return false;
        }
        QThread::msleep(5);
    }
    return true;
}

Recording SinkRecorder::recording() const
{
    std::lock_guard lock(m_mutex);
    return m_recording;
}

int64_t SinkRecorder::recordedUntilNs() const
{
    std::lock_guard lock(m_mutex);
    return m_recording.marks.empty() ? 0 : m_recording.marks.back().leftNs;
}
