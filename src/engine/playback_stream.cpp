#include "engine/playback_stream.h"

#include "engine/cross_thread_signal.h"
#include "engine/mp3_decoder.h"
#include "engine/thread_wakeup.h"

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

constexpr size_t BufferBytes =
    static_cast<size_t>(AudioOutput::BufferFrames) * Mp3Decoder::BytesPerFrame;

} // namespace

PlaybackStream::PlaybackStream(CrossThreadSignal &endSignal, ThreadWakeup &decodeMore)
    : m_endSignal(endSignal), m_decodeMore(decodeMore), m_ring(BufferBytes),
      m_decodingBuffer(std::make_unique_for_overwrite<unsigned char[]>(BufferBytes)),
      m_firstBuffer(std::make_unique_for_overwrite<unsigned char[]>(BufferBytes))
{
}

PlaybackStream::~PlaybackStream() = default;

void PlaybackStream::restartDecoding()
{
    m_ring.keepFront(m_tailClip != 0 ? m_ring.leadingSlots(m_tailClip) : 0);
    ++m_clip;
    m_pendingSeek.reset();
    m_decodedToEnd = false;
    m_endAnnounced = false;
    m_endReported = false;
    // The device's next request asks for the decoding.
    m_filling = false;
}

void PlaybackStream::setDecoder(std::shared_ptr<Mp3Decoder> decoder)
{
    const Mp3Decoder::ReadResult first =
        decoder ? decoder->read(m_firstBuffer.get(), BufferBytes) : Mp3Decoder::ReadResult{};
    {
        std::lock_guard lock(m_mutex);
        restartDecoding();
        if (first.bytes > 0)
            m_ring.push(m_firstBuffer.get(), first.bytes, m_clip);
        m_decodedToEnd = first.ended;
        // The earlier decoder goes with `decoder`, outside the lock; if the decoding thread
        // still reads it, it goes when that read is over.
        m_decoder.swap(decoder);
        m_sampleRate = m_decoder ? m_decoder->sampleRate() : 0;
        m_lengthFrames = m_decoder ? m_decoder->lengthFrames() : 0;
        m_playing = false;
        m_progress = Progress{};
    }
    m_decoded.notify_all();
    m_decodeMore.post();
}

void PlaybackStream::seek(int64_t frame)
{
    {
        std::lock_guard lock(m_mutex);
        restartDecoding();
        // Where the decoder lands: libmpg123 seeks to the exact sample within the clip.
        const int64_t landed = std::clamp<int64_t>(frame, 0, m_lengthFrames);
        if (m_decoder)
            m_pendingSeek = landed;
        m_progress = Progress{landed, landed, 0, nowNs(), landed};
    }
    m_decoded.notify_all();
    m_decodeMore.post();
}

void PlaybackStream::setPlaying(bool playing)
{
    {
        std::lock_guard lock(m_mutex);
        m_playing = playing && m_decoder;
        m_progress.floor = m_progress.handed;
        m_progress.bufferStart = m_progress.handed;
        m_progress.bufferFrames = 0;
    }
    // The device may have become idle, or is wanted again.
    m_decoded.notify_all();
    m_decodeMore.post();
}

bool PlaybackStream::ended() const
{
    std::lock_guard lock(m_mutex);
    return m_endAnnounced;
}

bool PlaybackStream::playing() const
{
    std::lock_guard lock(m_mutex);
    return m_playing;
}

bool PlaybackStream::idle() const
{
    std::lock_guard lock(m_mutex);
    return !m_playing && m_tailClip == 0;
}

bool PlaybackStream::decodedToEnd() const
{
    std::lock_guard lock(m_mutex);
    return m_decodedToEnd;
}

int64_t PlaybackStream::framesHanded() const
{
    std::lock_guard lock(m_mutex);
    return m_progress.handed;
}

int64_t PlaybackStream::interpolated(int64_t atNs) const
{
    const Progress &progress = m_progress;
    const double elapsed = static_cast<double>(atNs - progress.handedAtNs) * 1e-9
                           * static_cast<double>(m_sampleRate);
    const auto estimate = progress.bufferStart + static_cast<int64_t>(elapsed)
                          - progress.bufferFrames / 2;
    return std::clamp(estimate, progress.floor, progress.handed);
}

int64_t PlaybackStream::currentFrame() const
{
    std::lock_guard lock(m_mutex);
    if (!m_playing)
        return m_progress.handed;
    return interpolated(nowNs());
}

bool PlaybackStream::takeEnd()
{
    std::lock_guard lock(m_mutex);
    if (!m_endReported)
        return false;
    m_endReported = false;
    m_playing = false;
    // What is still decoded of the clip counts as handed over: it plays out as the tail.
    m_progress.handed +=
        static_cast<int64_t>(m_ring.leadingBytes(m_clip) / Mp3Decoder::BytesPerFrame);
    m_progress.floor = m_progress.handed;
    m_tailClip = m_clip;
    return true;
}

size_t PlaybackStream::endedTailBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_tailClip != 0 ? m_ring.leadingBytes(m_tailClip) : 0;
}

void PlaybackStream::dropEndedTail()
{
    std::lock_guard lock(m_mutex);
    if (m_tailClip == 0)
        return;
    for (int left = m_ring.leadingSlots(m_tailClip); left > 0; --left)
        m_ring.dropFront();
    m_tailClip = 0;
}

int PlaybackStream::clipSlots() const
{
    return m_ring.count() - (m_tailClip != m_clip ? m_ring.leadingSlots(m_tailClip) : 0);
}

bool PlaybackStream::wantsDecoding()
{
    if (!m_decoder || m_decodedToEnd || m_ring.full() || clipSlots() >= FillSlots)
        m_filling = false;
    // The device asks for the decoding (render): nothing is decoded while halted but a clip's
    // first buffer (setDecoder), and the first sound of a Play does not share the processor
    // with the decoding of the buffers behind it.
    return m_filling && m_playing;
}

bool PlaybackStream::decodeNext()
{
    std::shared_ptr<Mp3Decoder> decoder;
    uint64_t clip = 0;
    std::optional<int64_t> seekTo;
    {
        std::lock_guard lock(m_mutex);
        if (!wantsDecoding())
            return false;
        decoder = m_decoder;
        clip = m_clip;
        seekTo = m_pendingSeek;
    }
    // The file is read here, with no lock held: a read that stalls holds up no command and
    // no buffer of a clip's tail.
    if (seekTo)
        decoder->seek(*seekTo);
    const Mp3Decoder::ReadResult result = decoder->read(m_decodingBuffer.get(), BufferBytes);
    std::lock_guard lock(m_mutex);
    // A seek, a stop or another clip came meanwhile: what was made is for nothing, and the
    // next round does what is asked now.
    if (clip != m_clip)
        return true;
    m_pendingSeek.reset();
    if (result.bytes > 0 && !m_ring.full())
        m_ring.push(m_decodingBuffer.get(), result.bytes, clip);
    if (result.ended)
        m_decodedToEnd = true;
    m_decoded.notify_all();
    return true;
}

void PlaybackStream::handOver(unsigned char *buffer, size_t wanted, size_t &filled,
                              bool &announce, bool &wake)
{
    const size_t needed = wanted - filled;
    const size_t queued = m_ring.leadingBytes(m_clip);
    size_t taken = 0;
    // Sound starts only with a whole buffer at hand (or the clip's last samples): a part of
    // one and then silence would put a gap into it.
    if (queued >= needed || m_decodedToEnd)
        taken = m_ring.take(m_clip, buffer + filled, needed);
    filled += taken;
    if (taken > 0) {
        const int64_t now = nowNs();
        // A buffer asked for late (a busy machine, a sound server's uneven pace) finds the
        // position run on to the end of the last one; starting the new one's interpolation
        // half a buffer back would show it going backwards, so it holds there instead.
        if (m_playing)
            m_progress.floor = interpolated(now);
        m_progress.bufferStart = m_progress.handed;
        m_progress.bufferFrames = static_cast<int64_t>(wanted / Mp3Decoder::BytesPerFrame);
        m_progress.handed += static_cast<int64_t>(taken / Mp3Decoder::BytesPerFrame);
        m_progress.handedAtNs = now;
    }
    // The last sample goes to the device within the next buffer: the listener's end is one
    // buffer away, time enough to open and start the next song behind it. Announced no
    // earlier, however far ahead the decoding has run.
    if (m_decodedToEnd && !m_endAnnounced && queued - taken <= wanted) {
        m_endAnnounced = true;
        m_endReported = true;
        announce = true;
    }
    if (!m_filling && !m_decodedToEnd && clipSlots() < LowSlots) {
        m_filling = true;
        wake = true;
    }
}

void PlaybackStream::render(unsigned char *buffer, int bytes) noexcept
{
    const auto wanted = static_cast<size_t>(bytes);
    size_t filled = 0;
    bool announce = false;
    bool wake = false;
    {
        std::unique_lock lock(m_mutex);
        // What is left of an ended clip plays first, whatever came after it.
        if (m_tailClip != 0) {
            filled = m_ring.take(m_tailClip, buffer, wanted);
            if (m_ring.leadingSlots(m_tailClip) == 0) {
                m_tailClip = 0;
                // The device may be idle now.
                wake = true;
            }
        }
        // (A tail left over means the whole buffer went to it.)
        if (m_playing && m_tailClip == 0) {
            awaitDecoding(lock, wanted - filled);
            // Paused meanwhile, or not. (No end can have been taken: none was announced, or
            // the clip was decoded to its end and nothing was waited for.)
            if (m_playing)
                handOver(buffer, wanted, filled, announce, wake);
        }
    }
    if (announce)
        m_endSignal.post();
    if (wake)
        m_decodeMore.post();
    std::memset(buffer + filled, 0, wanted - filled);
}

void PlaybackStream::awaitDecoding(std::unique_lock<std::mutex> &lock, size_t needed)
{
    // A device may ask for buffers faster than they play: two at once when it starts (ALSA
    // fills its two periods), all at once when it writes to a file. The decoding, a buffer in
    // a fraction of a millisecond, is waited for, up to a buffer's time: silence in the middle
    // of the sound would be a gap, and past that time the device has run dry anyway (a disk
    // that stalls). The lock is let go meanwhile, so no command waits.
    if (m_decodedToEnd || m_ring.leadingBytes(m_clip) >= needed || m_sampleRate <= 0)
        return;
    if (!m_filling) {
        m_filling = true;
        m_decodeMore.post();
    }
    const uint64_t clip = m_clip;
    const auto bufferTime = std::chrono::nanoseconds(
        static_cast<int64_t>(AudioOutput::BufferFrames) * 1'000'000'000 / m_sampleRate);
    m_decoded.wait_for(lock, bufferTime, [&] {
        return m_clip != clip || !m_playing || m_decodedToEnd
               || m_ring.leadingBytes(m_clip) >= needed;
    });
}
