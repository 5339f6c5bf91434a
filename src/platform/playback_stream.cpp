#include "platform/playback_stream.h"

#include "platform/cross_thread_signal.h"
#include "platform/mp3_decoder.h"

#include <cstring>

void PlaybackStream::setDecoder(Mp3Decoder *decoder)
{
    m_decoder = decoder;
    m_playing = false;
    forgetEnd();
    m_framesPlayed.store(0, std::memory_order_release);
}

void PlaybackStream::seek(int64_t frame)
{
    forgetEnd();
    m_framesPlayed.store(m_decoder != nullptr ? m_decoder->seek(frame) : 0,
                         std::memory_order_release);
}

void PlaybackStream::forgetEnd()
{
    m_ended = false;
    m_endPending = false;
    m_endReported.store(false, std::memory_order_release);
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
    if (m_playing && !m_ended && m_decoder != nullptr) {
        const Mp3Decoder::ReadResult result =
            m_decoder->read(buffer, static_cast<size_t>(bytes));
        filled = result.bytes;
        m_framesPlayed.fetch_add(static_cast<int64_t>(filled / Mp3Decoder::BytesPerFrame),
                                 std::memory_order_acq_rel);
        if (result.ended) {
            m_ended = true;
            m_endPending = true;
        }
    }
    std::memset(buffer + filled, 0, static_cast<size_t>(bytes) - filled);
}
