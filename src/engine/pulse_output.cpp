#include "engine/pulse_output.h"

#include "app/app_error.h"
#include "engine/mp3_decoder.h"
#include "engine/playback_stream.h"
#include "engine/pulse_connection.h"
#include "engine/steady_time.h"

#include <algorithm>

namespace {

// What the server holds: deep enough that a burst lasts, the sink itself only a fiftieth of a
// second ahead (the rest waits in the server's queue, which a flush empties at once).
constexpr int64_t HeldMilliseconds = 1500;
constexpr int64_t BurstMilliseconds = 740;
// The window hears of a song's end this long before its last sample: time to open the next
// song and hand its first samples behind it.
constexpr int64_t EndLeadMilliseconds = 200;

int64_t framesIn(int64_t milliseconds, long rate)
{
    return milliseconds * rate / 1000;
}

uint32_t bytesOf(int64_t frames)
{
    return static_cast<uint32_t>(frames * Mp3Decoder::BytesPerFrame);
}

AppError failure(const QString &reason)
{
    try {
        raiseError(ErrNo::E_FAIL_CODE, reason);
    } catch (const AppError &error) {
        return error;
    }
}

} // namespace

PulseOutput::PulseOutput(std::chrono::milliseconds idleGrace) : m_idleGrace(idleGrace) {}

PulseOutput::~PulseOutput()
{
    closeStream();
}

void PulseOutput::reportNoServer(PlaybackStream &stream)
{
    stream.outputFailed(failure(QStringLiteral("PulseAudio: no server answered")));
}

bool PulseOutput::run(PlaybackStream &stream, const std::atomic<bool> &stopping)
{
    m_stream = &stream;
    m_stopping = &stopping;
    m_connection = std::make_unique<PulseConnection>(stream.outputWakeup(), [this] { service(); });
    if (!m_connection->connectAndWait(std::chrono::seconds(3), stopping)) {
        m_connection.reset();
        return false;
    }
    stream.setOutputCanTakeBack(true);
    service();
    while (!stopping.load())
        m_connection->iterate();
    closeStream();
    m_connection.reset();
    return true;
}

void PulseOutput::lose(const QString &reason)
{
    // What the server held is gone: the song halts where it was heard, and the window hears
    // of it through the position. The next Play connects again.
    m_stream->outputFailed(failure(reason));
    closeStream();
    m_connection->disconnect();
}

void PulseOutput::service()
{
    if (m_stopping->load() || !m_connection)
        return;
    const PlaybackStream::Plan plan = m_stream->plan();
    if (!m_connection->ready()) {
        if (m_connection->failed() && m_connection->context() != nullptr) {
            lose(m_connection->lastError());
            return;
        }
        // Asked to play with no connection: try the server again.
        if (plan.sound && m_connection->context() == nullptr && !m_connection->connect())
            lose(m_connection->lastError());
        return;
    }
    if (m_pa != nullptr) {
        const pa_stream_state_t state = pa_stream_get_state(m_pa);
        if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) {
            lose(m_connection->lastError());
            return;
        }
        if (state != PA_STREAM_READY)
            return;
    }
    if (plan.cut) {
        if (m_cut != Cut::None)
            return;
        if (m_pa == nullptr) {
            unsigned char none[4];
            m_stream->acknowledgeCut(m_stream->handedEnd(), none, 0);
        } else {
            // Everything queued on the server goes; what its sink already has plays, and the
            // fade-out follows it seamlessly.
            m_cut = Cut::Flushing;
            pa_operation_unref(pa_stream_flush(m_pa, &onFlushed, this));
            return;
        }
    }
    if (m_cut != Cut::None)
        return;
    serviceStream(plan.rate, plan.sound);
}

void PulseOutput::serviceStream(long rate, bool sound)
{
    if (sound) {
        m_idleSince.reset();
        if (m_pa != nullptr && m_rate != rate) {
            // The last song at the old rate plays out before the stream at the new one opens.
            if (!m_draining) {
                m_draining = true;
                pa_operation_unref(pa_stream_drain(m_pa, &onDrained, this));
            }
            return;
        }
        if (m_pa == nullptr) {
            openStream(rate);
            return;
        }
        if (m_corked)
            cork(false);
        write();
    } else if (m_pa != nullptr) {
        if (!m_idleSince)
            m_idleSince = std::chrono::steady_clock::now();
        if (std::chrono::steady_clock::now() - *m_idleSince >= m_idleGrace) {
            closeStream();
            return;
        }
        // Paused: once the fade-out has played, the stream stops, and the server may let the
        // sink sleep.
        if (!m_corked && heardFrame() >= m_stream->handedEnd())
            cork(true);
    }
    publishClock();
    scheduleNext(sound);
}

void PulseOutput::openStream(long rate)
{
    const pa_sample_spec spec{PA_SAMPLE_S16NE, static_cast<uint32_t>(rate), 2};
    m_pa = pa_stream_new(m_connection->context(), "Brenlowick", &spec, nullptr);
    if (m_pa == nullptr) {
        lose(m_connection->lastError());
        return;
    }
    m_rate = rate;
    m_frameBase = m_stream->handedEnd();
    m_corked = false;
    m_draining = false;
    m_timingPending = false;
    pa_stream_set_state_callback(m_pa, &onStreamState, this);
    pa_stream_set_write_callback(m_pa, &onWritable, this);
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.tlength = bytesOf(framesIn(HeldMilliseconds, rate));
    // The server asks for more once this much is free: the sink's own latency becomes the
    // difference, tlength - 2 * minreq, a fiftieth of a second.
    attributes.minreq = bytesOf(framesIn(BurstMilliseconds, rate));
    // A fade-out alone must play: the server starts with a few samples.
    attributes.prebuf = bytesOf(64);
    attributes.fragsize = static_cast<uint32_t>(-1);
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_NOT_MONOTONIC);
    if (pa_stream_connect_playback(m_pa, nullptr, &attributes, flags, nullptr, nullptr) < 0) {
        lose(m_connection->lastError());
        return;
    }
    m_deviceOpen.store(true);
}

void PulseOutput::closeStream()
{
    if (m_pa == nullptr)
        return;
    pa_stream_set_state_callback(m_pa, nullptr, nullptr);
    pa_stream_set_write_callback(m_pa, nullptr, nullptr);
    pa_stream_disconnect(m_pa);
    pa_stream_unref(m_pa);
    m_pa = nullptr;
    m_rate = 0;
    m_cut = Cut::None;
    m_draining = false;
    m_idleSince.reset();
    m_deviceOpen.store(false);
}

void PulseOutput::write()
{
    // Bursts: nothing until the server holds no more than half of what it may, then all it
    // takes. Each write wakes this thread and the server's, and the fewer the better.
    const int64_t held = m_stream->handedEnd() - heardFrame();
    if (held > framesIn(HeldMilliseconds, m_rate) / 2)
        return;
    size_t room = pa_stream_writable_size(m_pa);
    bool wrote = false;
    while (room >= static_cast<size_t>(Mp3Decoder::BytesPerFrame)) {
        void *data = nullptr;
        size_t bytes = room;
        if (pa_stream_begin_write(m_pa, &data, &bytes) < 0 || data == nullptr)
            break;
        const int64_t frames = m_stream->pull(static_cast<unsigned char *>(data),
                                              static_cast<int64_t>(bytes) / Mp3Decoder::BytesPerFrame,
                                              m_rate);
        if (frames == 0) {
            pa_stream_cancel_write(m_pa);
            break;
        }
        pa_stream_write(m_pa, data, static_cast<size_t>(frames) * Mp3Decoder::BytesPerFrame,
                        nullptr, 0, PA_SEEK_RELATIVE);
        room -= static_cast<size_t>(frames) * Mp3Decoder::BytesPerFrame;
        wrote = true;
    }
    if (wrote && !m_timingPending) {
        m_timingPending = true;
        pa_operation_unref(pa_stream_update_timing_info(m_pa, &onTiming, this));
    }
}

void PulseOutput::cork(bool corked)
{
    m_corked = corked;
    pa_operation_unref(pa_stream_cork(m_pa, corked ? 1 : 0, nullptr, nullptr));
}

int64_t PulseOutput::heardFrame() const
{
    pa_usec_t played = 0;
    if (m_pa == nullptr || pa_stream_get_time(m_pa, &played) < 0)
        return m_stream->handedEnd();
    return m_frameBase + static_cast<int64_t>(played * static_cast<uint64_t>(m_rate) / 1'000'000);
}

void PulseOutput::publishClock()
{
    if (m_pa == nullptr)
        return;
    const pa_timing_info *timing = pa_stream_get_timing_info(m_pa);
    const bool running = !m_corked && timing != nullptr && timing->playing != 0;
    const int64_t heard = heardFrame();
    m_stream->heard(heard, nowNs(), running, heard, m_rate);
}

void PulseOutput::scheduleNext(bool sound)
{
    // The one thing to time here is the end's announcement; the server asks for its bursts by
    // itself, and a command wakes this thread.
    std::chrono::microseconds next(-1);
    if (sound) {
        const int64_t until = m_stream->announceEndWithin(heardFrame(), framesIn(EndLeadMilliseconds, m_rate));
        if (until > 0)
            next = std::chrono::microseconds(until * 1'000'000 / m_rate);
    } else if (m_pa != nullptr) {
        next = m_corked ? std::chrono::duration_cast<std::chrono::microseconds>(m_idleGrace)
                        : std::chrono::microseconds(20'000);
    }
    m_connection->serviceAfter(next);
}

void PulseOutput::onStreamState(pa_stream *, void *self)
{
    static_cast<PulseOutput *>(self)->service();
}

void PulseOutput::onWritable(pa_stream *, size_t, void *self)
{
    static_cast<PulseOutput *>(self)->service();
}

void PulseOutput::onFlushed(pa_stream *stream, int, void *self)
{
    auto *output = static_cast<PulseOutput *>(self);
    if (output->m_pa != stream)
        return;
    // Where the server's queue now begins is known once it says where its write index stands.
    output->m_cut = Cut::Measuring;
    pa_operation_unref(pa_stream_update_timing_info(stream, &onCutMeasured, self));
}

void PulseOutput::onCutMeasured(pa_stream *stream, int success, void *self)
{
    auto *output = static_cast<PulseOutput *>(self);
    if (output->m_pa != stream)
        return;
    const pa_timing_info *timing = pa_stream_get_timing_info(stream);
    int64_t frame = output->m_stream->handedEnd();
    if (success && timing != nullptr && !timing->write_index_corrupt)
        frame = output->m_frameBase + timing->write_index / Mp3Decoder::BytesPerFrame;
    unsigned char fade[48000 / 1000 * PlaybackStream::FadeMilliseconds * Mp3Decoder::BytesPerFrame * 4];
    const int64_t faded = output->m_stream->acknowledgeCut(
        frame, fade, static_cast<int64_t>(sizeof fade) / Mp3Decoder::BytesPerFrame);
    if (faded > 0)
        pa_stream_write(stream, fade, static_cast<size_t>(faded) * Mp3Decoder::BytesPerFrame,
                        nullptr, 0, PA_SEEK_RELATIVE);
    output->m_cut = Cut::None;
    output->service();
}

void PulseOutput::onTiming(pa_stream *stream, int, void *self)
{
    auto *output = static_cast<PulseOutput *>(self);
    if (output->m_pa != stream)
        return;
    output->m_timingPending = false;
    output->publishClock();
    output->scheduleNext(output->m_stream->plan().sound);
}

void PulseOutput::onDrained(pa_stream *stream, int, void *self)
{
    auto *output = static_cast<PulseOutput *>(self);
    if (output->m_pa != stream)
        return;
    output->publishClock();
    output->closeStream();
    output->service();
}
