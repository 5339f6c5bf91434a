#include "engine/pulse_output.h"

#include "app/app_error.h"
#include "engine/mp3_decoder.h"
#include "engine/playback_stream.h"
#include "engine/pulse_connection.h"
#include "engine/steady_time.h"

#include <algorithm>
#include <vector>

namespace {

// What the server holds: deep enough that a burst lasts, the sink itself only a fiftieth of a
// second ahead (the rest waits in the server's queue, which a command writes over at once).
constexpr int64_t HeldMilliseconds = 1500;
constexpr int64_t BurstMilliseconds = 740;
// The window hears of a song's end this long before its last sample: time to open the next
// song and hand its first samples behind it.
constexpr int64_t EndLeadMilliseconds = 200;
// How far past the sink's own latency the server's queue is written over: the time a message
// takes to reach the server's sink thread.
constexpr int64_t RewriteMarginMilliseconds = 5;
// Bursts between two readings of the server's clock.
constexpr int BurstsPerReading = 4;
// Silence written ahead of the sound when the server starts again after running dry.
constexpr int64_t RestartSilenceMilliseconds = 5;

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

PulseOutput::PulseOutput(std::chrono::milliseconds idleGrace)
    : m_idleGrace(idleGrace)
{
}

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
            // Where the sink stands is asked first: the fade-out goes just past what it has
            // already taken, in place of what the server holds from there on.
            m_cut = Cut::Measuring;
            pa_operation_unref(pa_stream_update_timing_info(m_pa, &onCutMeasured, this));
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
        write();
    } else if (m_pa != nullptr) {
        if (!m_idleSince)
            m_idleSince = std::chrono::steady_clock::now();
        // Halted: the stream stops by itself once the fade-out has played (it waits for a
        // few samples more), and it goes once that has lasted a while.
        if (std::chrono::steady_clock::now() - *m_idleSince >= m_idleGrace) {
            closeStream();
            return;
        }
    }
    publishClock();
    scheduleNext(sound);
}

void PulseOutput::openStream(long rate)
{
    const pa_sample_spec spec {PA_SAMPLE_S16NE, static_cast<uint32_t>(rate), 2};
    m_pa = pa_stream_new(m_connection->context(), "Brenlowick", &spec, nullptr);
    if (m_pa == nullptr) {
        lose(m_connection->lastError());
        return;
    }
    m_rate = rate;
    m_frameBase = m_stream->handedEnd();
    m_draining = false;
    m_timingPending = false;
    pa_stream_set_state_callback(m_pa, &onStreamState, this);
    pa_stream_set_write_callback(m_pa, &onWritable, this);
    // The clock starts when the server starts playing (once a few samples are there) and
    // stops when it runs dry: a fresh reading then, so the position starts and stops with it.
    pa_stream_set_started_callback(m_pa, &onStarted, this);
    pa_stream_set_underflow_callback(m_pa, &onRanDry, this);
    pa_buffer_attr attributes {};
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.tlength = bytesOf(framesIn(HeldMilliseconds, rate));
    // The server asks for more once this much is free: the sink's own latency becomes the
    // difference, tlength - 2 * minreq, a fiftieth of a second.
    attributes.minreq = bytesOf(framesIn(BurstMilliseconds, rate));
    // A fade-out alone must play: the server starts with a few samples.
    attributes.prebuf = bytesOf(64);
    attributes.fragsize = static_cast<uint32_t>(-1);
    const auto flags
        = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_NOT_MONOTONIC);
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
    pa_stream_set_started_callback(m_pa, nullptr, nullptr);
    pa_stream_set_underflow_callback(m_pa, nullptr, nullptr);
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
    size_t room = pa_stream_writable_size(m_pa);
    const int64_t held = m_stream->handedEnd() - heardFrame().value_or(m_frameBase);
    if (room < bytesOf(framesIn(BurstMilliseconds, m_rate))
        && held > framesIn(HeldMilliseconds, m_rate) / 2)
        return;
    bool wrote = false;
    if (m_ranDry && room > 0) {
        // After the server ran dry, the first few milliseconds of what comes next may be
        // dropped as it starts again: a little silence goes first, so that what is dropped is
        // never the song (a fade-in's quiet start).
        const int64_t silence = framesIn(RestartSilenceMilliseconds, m_rate);
        std::vector<unsigned char> zeros(static_cast<size_t>(silence) * Mp3Decoder::BytesPerFrame);
        pa_stream_write(m_pa, zeros.data(), zeros.size(), nullptr, 0, PA_SEEK_RELATIVE_ON_READ);
        m_stream->handSilence(silence);
        room -= std::min(room, zeros.size());
        m_ranDry = false;
    }
    while (room >= static_cast<size_t>(Mp3Decoder::BytesPerFrame)) {
        void *data = nullptr;
        size_t bytes = room;
        if (pa_stream_begin_write(m_pa, &data, &bytes) < 0 || data == nullptr)
            break;
        const int64_t frames = m_stream->pull(static_cast<unsigned char *>(data),
            static_cast<int64_t>(bytes) / Mp3Decoder::BytesPerFrame, m_rate);
        if (frames == 0) {
            pa_stream_cancel_write(m_pa);
            break;
        }
        pa_stream_write(m_pa, data, static_cast<size_t>(frames) * Mp3Decoder::BytesPerFrame,
            nullptr, 0, PA_SEEK_RELATIVE);
        room -= static_cast<size_t>(frames) * Mp3Decoder::BytesPerFrame;
        wrote = true;
    }
    if (!wrote)
        return;
    // The server's clock is read afresh every few bursts (a round trip, and a wake-up, each);
    // in between libpulse carries it on from the last reading, closely enough.
    if (++m_burstsSinceReading >= BurstsPerReading)
        measure();
    else
        publishClock();
}

void PulseOutput::measure()
{
    if (m_timingPending || m_pa == nullptr)
        return;
    m_burstsSinceReading = 0;
    m_timingPending = true;
    pa_operation_unref(pa_stream_update_timing_info(m_pa, &onTiming, this));
}

std::optional<int64_t> PulseOutput::heardFrame() const
{
    pa_usec_t played = 0;
    if (m_pa == nullptr || pa_stream_get_time(m_pa, &played) < 0)
        return std::nullopt;
    return m_frameBase + static_cast<int64_t>(played * static_cast<uint64_t>(m_rate) / 1'000'000);
}

void PulseOutput::publishClock()
{
    // A write that landed where the server stood, past the end of its queue, moved the
    // server's count of bytes away from the frames handed: the server's write index says by
    // how much, and all before it has been played.
    const pa_timing_info *written = m_pa != nullptr ? pa_stream_get_timing_info(m_pa) : nullptr;
    if (written != nullptr && !written->write_index_corrupt)
        m_frameBase = m_stream->handedEnd() - written->write_index / Mp3Decoder::BytesPerFrame;
    const std::optional<int64_t> heard = heardFrame();
    if (!heard)
        return;
    const pa_timing_info *timing = pa_stream_get_timing_info(m_pa);
    const bool running = timing != nullptr && timing->playing != 0;
    // What the sink has not played yet may be taken back: it is kept from there on.
    m_stream->heard(*heard, nowNs(), running, *heard, m_rate);
}

void PulseOutput::scheduleNext(bool sound)
{
    // The one thing to time here is the end's announcement; the server asks for its bursts by
    // itself, and a command wakes this thread.
    std::chrono::microseconds next(-1);
    if (sound) {
        const std::optional<int64_t> heard = heardFrame();
        const int64_t until = heard
            ? m_stream->announceEndWithin(*heard, framesIn(EndLeadMilliseconds, m_rate))
            : -1;
        if (until > 0)
            next = std::chrono::microseconds(until * 1'000'000 / m_rate);
    } else if (m_pa != nullptr && m_idleSince) {
        next = std::chrono::duration_cast<std::chrono::microseconds>(
            *m_idleSince + m_idleGrace - std::chrono::steady_clock::now());
        next = std::max(next, std::chrono::microseconds(0));
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

void PulseOutput::onCutMeasured(pa_stream *stream, int, void *self)
{
    auto *output = static_cast<PulseOutput *>(self);
    if (output->m_pa != stream)
        return;
    output->m_timingPending = false;
    output->takeBack();
    output->m_cut = Cut::None;
    output->service();
}

void PulseOutput::takeBack()
{
    // The sink has taken what lies up to its latency past what is heard; a little further on,
    // the server's queue can still be written over. The fade-out is written there, and the
    // server's write index moves back to its end: the server plays nothing of what lay behind
    // it (it waits for more, which the next burst writes over it).
    const pa_timing_info *timing = pa_stream_get_timing_info(m_pa);
    const int64_t sinkFrames
        = timing != nullptr ? static_cast<int64_t>(timing->sink_usec) * m_rate / 1'000'000 : 0;
    const int64_t frame = heardFrame().value_or(m_frameBase) + sinkFrames
        + framesIn(RewriteMarginMilliseconds, m_rate);
    const int64_t capacity = framesIn(2 * PlaybackStream::FadeMilliseconds, m_rate);
    std::vector<unsigned char> fade(static_cast<size_t>(capacity) * Mp3Decoder::BytesPerFrame);
    const int64_t faded = m_stream->acknowledgeCut(frame, fade.data(), capacity);
    if (faded > 0)
        pa_stream_write(m_pa, fade.data(), static_cast<size_t>(faded) * Mp3Decoder::BytesPerFrame,
            nullptr, (m_stream->handedEnd() - faded - m_frameBase) * Mp3Decoder::BytesPerFrame,
            PA_SEEK_ABSOLUTE);
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

void PulseOutput::onStarted(pa_stream *stream, void *self)
{
    auto *output = static_cast<PulseOutput *>(self);
    if (output->m_pa == stream)
        output->measure();
}

void PulseOutput::onRanDry(pa_stream *stream, void *self)
{
    auto *output = static_cast<PulseOutput *>(self);
    if (output->m_pa != stream)
        return;
    output->m_ranDry = true;
    output->measure();
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
