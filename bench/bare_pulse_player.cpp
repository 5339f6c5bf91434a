#include "bench/bare_pulse_player.h"

#include "tests/engine/engine_test_support.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>

namespace {

constexpr size_t BytesPerFrame = 4;

} // namespace

BarePulsePlayer::~BarePulsePlayer()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_writer.joinable())
        m_writer.join();
}

void BarePulsePlayer::setFileName(const std::filesystem::path &path)
{
    EngineTest::Reference song = EngineTest::referenceDecode(path);
    std::lock_guard lock(m_mutex);
    m_pcm = std::move(song.pcm);
    m_rate = song.rate;
    m_frame = 0;
    m_playing = false;
    m_flush = true;
}

void BarePulsePlayer::Play()
{
    {
        std::lock_guard lock(m_mutex);
        m_playing = true;
    }
    if (!m_writer.joinable())
        m_writer = std::thread([this] { writeUntilQuit(); });
    m_wake.notify_all();
}

void BarePulsePlayer::Pause()
{
    {
        std::lock_guard lock(m_mutex);
        m_playing = false;
        m_flush = true;
    }
    m_wake.notify_all();
}

void BarePulsePlayer::Stop()
{
    Pause();
    std::lock_guard lock(m_mutex);
    m_frame = 0;
}

double BarePulsePlayer::CurrentPosition() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<double>(m_frame) / static_cast<double>(m_rate);
}

void BarePulsePlayer::setCurrentPosition(double seconds)
{
    {
        std::lock_guard lock(m_mutex);
        m_frame = std::clamp<int64_t>(std::llround(seconds * static_cast<double>(m_rate)), 0,
            static_cast<int64_t>(m_pcm.size() / 2));
        m_flush = true;
    }
    m_wake.notify_all();
}

double BarePulsePlayer::Duration() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<double>(m_pcm.size() / 2) / static_cast<double>(m_rate);
}

void BarePulsePlayer::writeUntilQuit()
{
    const pa_sample_spec spec {PA_SAMPLE_S16LE, static_cast<uint32_t>(m_rate), 2};
    const auto msBytes = [&](int ms) {
        return static_cast<uint32_t>(m_rate * ms / 1000 * static_cast<long>(BytesPerFrame));
    };
    const pa_buffer_attr attributes {
        static_cast<uint32_t>(-1), msBytes(20), msBytes(5), msBytes(5), static_cast<uint32_t>(-1)};
    int error = 0;
    pa_simple *stream = pa_simple_new(nullptr, "brenlowick bare player", PA_STREAM_PLAYBACK,
        nullptr, "song", &spec, nullptr, &attributes, &error);
    if (!stream) {
        std::fprintf(stderr, "bare player: %s\n", pa_strerror(error));
        return;
    }
    const size_t chunkFrames = static_cast<size_t>(m_rate / 200);
    std::vector<int16_t> chunk(2 * chunkFrames);
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (m_flush) {
            m_flush = false;
            lock.unlock();
            pa_simple_flush(stream, &error);
            lock.lock();
            continue;
        }
        if (!m_playing) {
            m_wake.wait(lock);
            continue;
        }
        const auto frames = static_cast<int64_t>(m_pcm.size() / 2);
        const int64_t take = std::clamp<int64_t>(frames - m_frame, 0, int64_t(chunkFrames));
        std::fill(chunk.begin(), chunk.end(), int16_t(0));
        std::copy_n(m_pcm.begin() + 2 * m_frame, 2 * take, chunk.begin());
        m_frame += take;
        lock.unlock();
        pa_simple_write(stream, chunk.data(), chunk.size() * 2, &error);
        lock.lock();
    }
    lock.unlock();
    pa_simple_free(stream);
}
