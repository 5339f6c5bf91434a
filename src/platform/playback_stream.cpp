#include "platform/playback_stream.h"

#include "platform/cross_thread_signal.h"
#include "platform/mp3_decoder.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

void PlaybackStream::publish(const Progress &progress)
{
    m_progress = progress;
    m_sequence.fetch_add(1, std::memory_order_acq_rel);
    const int64_t values[5] = {progress.handed, progress.bufferStart, progress.bufferFrames,
                               progress.handedAtNs, progress.floor};
    for (int i = 0; i < 5; ++i)
        m_shared[i].store(values[i], std::memory_order_relaxed);
    m_sequence.fetch_add(1, std::memory_order_release);
}

PlaybackStream::Progress PlaybackStream::snapshot() const
{
    for (;;) {
        const uint32_t before = m_sequence.load(std::memory_order_acquire);
        int64_t values[5];
        for (int i = 0; i < 5; ++i)
            values[i] = m_shared[i].load(std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_acquire);
        if ((before & 1) == 0 && m_sequence.load(std::memory_order_relaxed) == before)
            return Progress{values[0], values[1], values[2], values[3], values[4]};
    }
}

void PlaybackStream::setDecoder(Mp3Decoder *decoder)
{
    m_decoder = decoder;
    m_playing.store(false, std::memory_order_release);
    forgetEnd();
    publish(Progress{});
}

void PlaybackStream::setPlaying(bool playing)
{
    m_playing.store(playing, std::memory_order_release);
    Progress progress = m_progress;
    progress.floor = progress.handed;
    progress.bufferStart = progress.handed;
    progress.bufferFrames = 0;
    publish(progress);
}

void PlaybackStream::seek(int64_t frame)
{
    forgetEnd();
    const int64_t landed = m_decoder != nullptr ? m_decoder->seek(frame) : 0;
    publish(Progress{landed, landed, 0, nowNs(), landed});
}

void PlaybackStream::forgetEnd()
{
    m_ended = false;
    m_endPending = false;
    m_endReported.store(false, std::memory_order_release);
}

int64_t PlaybackStream::currentFrame() const
{
    const Progress progress = snapshot();
    if (!m_playing.load(std::memory_order_acquire) || m_decoder == nullptr)
        return progress.handed;
    const double rate = static_cast<double>(m_decoder->sampleRate());
    const double elapsed = static_cast<double>(nowNs() - progress.handedAtNs) * 1e-9 * rate;
    const auto estimate = progress.bufferStart + static_cast<int64_t>(elapsed)
                          - progress.bufferFrames / 2;
    return std::clamp(estimate, progress.floor, progress.handed);
}

void PlaybackStream::render(unsigned char *buffer, int bytes) noexcept
{
    if (m_endPending) {
        // The buffer with the clip's last samples went to the device on the previous call.
        m_endPending = false;
        m_endReported.store(true, std::memory_order_release);
        m_endSignal.post();
    }
    size_t filled = 0;
    if (m_playing.load(std::memory_order_acquire) && !m_ended && m_decoder != nullptr) {
        const Mp3Decoder::ReadResult result =
            m_decoder->read(buffer, static_cast<size_t>(bytes));
        filled = result.bytes;
        Progress progress = m_progress;
        progress.bufferStart = progress.handed;
        progress.bufferFrames = bytes / Mp3Decoder::BytesPerFrame;
        progress.handed += static_cast<int64_t>(filled / Mp3Decoder::BytesPerFrame);
        progress.handedAtNs = nowNs();
        publish(progress);
        if (result.ended) {
            m_ended = true;
            m_endPending = true;
        }
    }
    std::memset(buffer + filled, 0, static_cast<size_t>(bytes) - filled);
}
