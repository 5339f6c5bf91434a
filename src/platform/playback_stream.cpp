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

PlaybackStream::PlaybackStream(CrossThreadSignal &endSignal)
    : m_endSignal(endSignal),
      // An ended clip's tail (at most a buffer and its look-ahead), the next one's buffer and
      // a burst behind it, and room for one more decoded frame.
      m_queue(static_cast<size_t>((BurstBuffers + 4) * AudioOutput::BufferFrames)
              * Mp3Decoder::BytesPerFrame)
{
}

void PlaybackStream::setDecoder(Mp3Decoder *decoder)
{
    discardQueued();
    m_decoder = decoder;
    m_playing.store(false, std::memory_order_release);
    forgetEnd();
    publish(Progress{});
}

bool PlaybackStream::takeEnd()
{
    if (!m_endReported.exchange(false, std::memory_order_acq_rel))
        return false;
    m_playing.store(false, std::memory_order_release);
    const size_t tail = m_queue.size() - m_previousTail;
    m_previousTail = m_queue.size();
    Progress progress = m_progress;
    progress.handed += static_cast<int64_t>(tail / Mp3Decoder::BytesPerFrame);
    progress.floor = progress.handed;
    publish(progress);
    return true;
}

void PlaybackStream::dropEndedTail()
{
    m_queue.dropFront(m_previousTail);
    m_previousTail = 0;
}

void PlaybackStream::setPlaying(bool playing)
{
    m_playing.store(playing, std::memory_order_release);
    Progress progress = m_progress;
    progress.floor = progress.handed;
    progress.bufferStart = progress.handed;
    progress.bufferFrames = 0;
    publish(progress);
    if (playing)
        primeFirstBuffer();
}

void PlaybackStream::primeFirstBuffer() noexcept
{
    if (m_decoder == nullptr)
        return;
    const auto bufferBytes =
        static_cast<size_t>(AudioOutput::BufferFrames) * Mp3Decoder::BytesPerFrame;
    decodeAhead(bufferBytes);
    announceEndWithin(bufferBytes);
}

void PlaybackStream::seek(int64_t frame)
{
    forgetEnd();
    discardQueued();
    const int64_t landed = m_decoder != nullptr ? m_decoder->seek(frame) : 0;
    publish(Progress{landed, landed, 0, nowNs(), landed});
    if (m_playing.load(std::memory_order_acquire))
        primeFirstBuffer();
}

void PlaybackStream::forgetEnd()
{
    m_decoderFinished = false;
    m_endAnnounced = false;
    m_endReported.store(false, std::memory_order_release);
}

void PlaybackStream::discardQueued()
{
    m_queue.truncate(m_previousTail);
    m_freshStart = true;
}

int64_t PlaybackStream::interpolated(const Progress &progress, int64_t atNs, long sampleRate)
{
    const double elapsed =
        static_cast<double>(atNs - progress.handedAtNs) * 1e-9 * static_cast<double>(sampleRate);
    const auto estimate = progress.bufferStart + static_cast<int64_t>(elapsed)
                          - progress.bufferFrames / 2;
    return std::clamp(estimate, progress.floor, progress.handed);
}

int64_t PlaybackStream::currentFrame() const
{
    const Progress progress = snapshot();
    if (!m_playing.load(std::memory_order_acquire) || m_decoder == nullptr)
        return progress.handed;
    return interpolated(progress, nowNs(), m_decoder->sampleRate());
}

void PlaybackStream::decodeAhead(size_t bytes) noexcept
{
    while (!m_decoderFinished && m_queue.size() - m_previousTail < bytes) {
        size_t room = 0;
        unsigned char *space = m_queue.freeSpace(room);
        room = std::min(room, bytes - (m_queue.size() - m_previousTail));
        room -= room % Mp3Decoder::BytesPerFrame;
        if (room == 0)
            return;
        const Mp3Decoder::ReadResult result = m_decoder->read(space, room);
        m_queue.commit(result.bytes);
        if (result.ended)
            m_decoderFinished = true;
    }
}

void PlaybackStream::announceEndWithin(size_t bytes) noexcept
{
    // The last sample goes to the device within the next buffer: the listener's end is one
    // buffer away, time enough to open and start the next song behind it. Announced no
    // earlier, however far ahead the decoding has run.
    if (!m_decoderFinished || m_endAnnounced || m_queue.size() - m_previousTail > bytes)
        return;
    m_endAnnounced = true;
    m_endReported.store(true, std::memory_order_release);
    m_endSignal.post();
}

void PlaybackStream::render(unsigned char *buffer, int bytes) noexcept
{
    const auto wanted = static_cast<size_t>(bytes);
    size_t filled = m_queue.take(buffer, std::min(m_previousTail, wanted));
    m_previousTail -= filled;
    if (m_decoder != nullptr && m_playing.load(std::memory_order_acquire)) {
        const size_t needed = wanted - filled;
        if (m_freshStart) {
            // The look-ahead is built from the second buffer on, so that the first sound
            // after a new clip or a seek waits for no more decoding than it needs.
            decodeAhead(needed);
        } else if (m_queue.size() - m_previousTail < needed + wanted) {
            // Less than this buffer and the next are decoded: decode a burst. A thread that
            // decodes once every few buffers finds its caches warm and sleeps longer between;
            // decoding one buffer at every wake-up cost half as much again.
            decodeAhead(needed + BurstBuffers * wanted);
        }
        m_freshStart = false;
        const size_t taken = m_queue.take(buffer + filled, needed);
        filled += taken;
        announceEndWithin(wanted);
        if (taken > 0) {
            Progress progress = m_progress;
            const int64_t now = nowNs();
            // A buffer asked for late (a busy machine, a sound server's uneven pace) finds the
            // position run on to the end of the last one; starting the new one's interpolation
            // half a buffer back would show it going backwards, so it holds there instead.
            progress.floor = interpolated(progress, now, m_decoder->sampleRate());
            progress.bufferStart = progress.handed;
            progress.bufferFrames = bytes / Mp3Decoder::BytesPerFrame;
            progress.handed += static_cast<int64_t>(taken / Mp3Decoder::BytesPerFrame);
            progress.handedAtNs = now;
            publish(progress);
        }
    }
    std::memset(buffer + filled, 0, wanted - filled);
}
