// The window's side of the stream: commands and what the window reads.
#include "engine/playback_stream.h"

#include "engine/clip_threads.h"
#include "engine/mp3_decoder.h"
#include "engine/steady_time.h"

#include <algorithm>
#include <thread>

std::atomic<uint64_t> PlaybackStream::s_nextClipId = 1;

namespace {

// Decoded audio kept per song: enough for a sound server's deep buffer and the refill that
// follows it. Three seconds of CD audio is half a megabyte; the memory is touched only as the
// decoding writes it.
int64_t ringFramesFor(long rate)
{
    return std::max<int64_t>(3 * static_cast<int64_t>(rate), 4 * PlaybackStream::StepFrames);
}

} // namespace

PlaybackStream::PlaybackStream() = default;
PlaybackStream::~PlaybackStream() = default;

void PlaybackStream::setDecoder(
    const std::shared_ptr<PlaybackStream> &self, std::shared_ptr<Mp3Decoder> decoder)
{
    const uint64_t id = s_nextClipId.fetch_add(1);
    auto clip = std::make_shared<Clip>(id, decoder, ringFramesFor(decoder->sampleRate()));
    // The first step is decoded here: its bytes are still in the reader's buffer from the
    // opening, and a Play that follows finds them ready, whether the device asks at once or
    // behind the last song's tail.
    {
        auto first = std::make_unique_for_overwrite<unsigned char[]>(
            static_cast<size_t>(StepFrames) * Mp3Decoder::BytesPerFrame);
        const Mp3Decoder::ReadResult result = decoder->read(
            first.get(), static_cast<size_t>(StepFrames) * Mp3Decoder::BytesPerFrame);
        const auto frames = static_cast<int64_t>(result.bytes / Mp3Decoder::BytesPerFrame);
        clip->ring.append(first.get(), frames);
        clip->decodedToEnd = result.ended;
        clip->readError = result.error;
        if (result.ended && result.error == 0) {
            clip->lengthFrames = frames;
            clip->lengthExact = true;
        }
    }
    {
        std::lock_guard lock(self->m_mutex);
        self->m_failure.reset();
        const std::shared_ptr<Clip> current = self->currentLocked();
        // A song whose end the window took, while playback runs, plays out before this one:
        // this one follows it without a gap. Anything else is cut off.
        const bool followsWithoutGap
            = current && current->state == ClipState::Ended && self->m_running;
        if (!followsWithoutGap) {
            std::vector<std::shared_ptr<Clip>> cut;
            cut.swap(self->m_clips);
            for (const auto &old : cut)
                self->cutOffLocked(old);
        }
        self->m_clips.push_back(clip);
        self->m_positionFloor = 0;
        self->m_endPending = false;
        self->m_clipThreads += 2;
        if (!followsWithoutGap)
            self->beginCutLocked();
    }
    std::thread(runClipDecoding, self, clip).detach();
    std::thread(runClipInfo, self, clip).detach();
    self->m_outputWakeup.post();
}

void PlaybackStream::clearClip()
{
    std::lock_guard lock(m_mutex);
    m_failure.reset();
    std::vector<std::shared_ptr<Clip>> cut;
    cut.swap(m_clips);
    for (const auto &old : cut)
        cutOffLocked(old);
    m_running = false;
    beginCutLocked();
}

void PlaybackStream::play()
{
    {
        std::lock_guard lock(m_mutex);
        m_failure.reset();
        m_running = true;
        const std::shared_ptr<Clip> current = currentLocked();
        if (current) {
            if (current->state == ClipState::Finished) {
                current->pendingSeek = 0;
                current->state = ClipState::Playing;
                beginCutLocked();
            } else if (current->state == ClipState::Halted) {
                current->state = ClipState::Playing;
                m_fadeInNext = m_canTakeBack;
            }
            wakeDecodingLocked(*current);
        }
    }
    m_outputWakeup.post();
}

void PlaybackStream::pause()
{
    std::lock_guard lock(m_mutex);
    m_failure.reset();
    m_running = false;
    if (const std::shared_ptr<Clip> current = currentLocked()) {
        // An end announced but not taken is withdrawn: the song resumes before it.
        if (current->state == ClipState::Playing || current->state == ClipState::EndAnnounced)
            current->state = ClipState::Halted;
    }
    m_endPending = false;
    beginCutLocked();
}

void PlaybackStream::stop()
{
    std::lock_guard lock(m_mutex);
    m_failure.reset();
    m_running = false;
    const std::shared_ptr<Clip> current = keepOnlyCurrentLocked();
    if (current) {
        current->state = ClipState::Halted;
        current->pendingSeek = 0;
    }
    m_endPending = false;
    m_positionFloor = 0;
    beginCutLocked();
}

void PlaybackStream::seek(int64_t frame)
{
    std::lock_guard lock(m_mutex);
    m_failure.reset();
    const std::shared_ptr<Clip> current = keepOnlyCurrentLocked();
    if (!current)
        return;
    // Ended means halted: a seek now moves the position without starting the sound.
    const bool sounding
        = current->state == ClipState::Playing || current->state == ClipState::EndAnnounced;
    current->state = sounding && m_running ? ClipState::Playing : ClipState::Halted;
    current->pendingSeek = std::clamp<int64_t>(frame, 0, current->lengthFrames);
    m_endPending = false;
    m_positionFloor = *current->pendingSeek;
    beginCutLocked();
}

std::shared_ptr<Clip> PlaybackStream::currentLocked() const
{
    return m_clips.empty() ? nullptr : m_clips.back();
}

std::shared_ptr<Clip> PlaybackStream::keepOnlyCurrentLocked()
{
    const std::shared_ptr<Clip> current = currentLocked();
    for (const auto &clip : m_clips) {
        if (clip != current)
            cutOffLocked(clip);
    }
    m_clips.clear();
    if (current)
        m_clips.push_back(current);
    return current;
}

void PlaybackStream::cutOffLocked(const std::shared_ptr<Clip> &clip)
{
    // A server still holds what it was handed of the song: it is taken back, and faded out
    // from where it is heard, before the song goes.
    if (m_canTakeBack && m_log.outputEndOf(*clip).value_or(0) > m_keepFrom)
        m_cutOff.push_back(clip);
    else
        dropClipLocked(clip);
}

void PlaybackStream::stopLengthScans()
{
    std::lock_guard lock(m_mutex);
    for (const auto &clip : m_clips)
        clip->lengthScanStopping.store(true);
}

void PlaybackStream::dropClipLocked(const std::shared_ptr<Clip> &clip)
{
    clip->stopping.store(true);
    clip->lengthScanStopping.store(true);
    clip->decodeMore.post();
    m_log.forget(*clip);
}

void PlaybackStream::beginCutLocked()
{
    if (m_canTakeBack && m_log.handedEnd() > m_keepFrom) {
        m_cutPending = true;
        m_outputWakeup.post();
        return;
    }
    applyCutLocked(m_log.handedEnd());
}

void PlaybackStream::wakeDecodingLocked(Clip &clip)
{
    if (!clip.decodedToEnd && clip.ring.freeFrames() >= StepFrames) {
        clip.filling = true;
        clip.decodeMore.post();
    }
}

int64_t PlaybackStream::heardFrameLocked(int64_t atNs) const
{
    int64_t frame = m_clock.frame;
    if (m_clock.running && m_clock.rate > 0)
        frame += (atNs - m_clock.atNs) * m_clock.rate / 1'000'000'000;
    return std::clamp(frame, std::min(m_clockFloor, m_log.handedEnd()), m_log.handedEnd());
}

int64_t PlaybackStream::positionLocked(const Clip &clip, int64_t atNs) const
{
    if (clip.pendingSeek)
        return *clip.pendingSeek;
    int64_t position = clip.handed;
    switch (clip.state) {
    // The window took the end: for it the song is over, while its last samples play out.
    case ClipState::Ended:
    case ClipState::Finished:
        return clip.lengthFrames;
    case ClipState::Halted:
        if (!m_cutPending)
            break;
        [[fallthrough]];
    default:
        position = std::min(m_log.clipFrameAt(clip, heardFrameLocked(atNs)).value_or(clip.handed),
            clip.lengthFrames);
    }
    // A buffer asked for late (a busy machine, a server's uneven pace) or a fresh reading of a
    // server's clock must not show the song going backwards.
    m_positionFloor = std::max(m_positionFloor, position);
    return m_positionFloor;
}

int64_t PlaybackStream::currentFrame() const
{
    std::lock_guard lock(m_mutex);
    if (m_failure)
        throw *m_failure;
    const std::shared_ptr<Clip> current = currentLocked();
    return current ? positionLocked(*current, nowNs()) : 0;
}

long PlaybackStream::sampleRate() const
{
    std::lock_guard lock(m_mutex);
    const std::shared_ptr<Clip> current = currentLocked();
    return current ? current->rate : 0;
}

int64_t PlaybackStream::lengthFrames() const
{
    std::lock_guard lock(m_mutex);
    const std::shared_ptr<Clip> current = currentLocked();
    return current ? current->lengthFrames : 0;
}

bool PlaybackStream::playing() const
{
    std::lock_guard lock(m_mutex);
    const std::shared_ptr<Clip> current = currentLocked();
    return m_running && current
        && (current->state == ClipState::Playing || current->state == ClipState::EndAnnounced);
}

std::optional<SongTags> PlaybackStream::tags(std::chrono::milliseconds wait) const
{
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        std::shared_ptr<Clip> current;
        {
            std::lock_guard lock(m_mutex);
            current = currentLocked();
            if (!current || current->tags)
                return current ? current->tags : std::nullopt;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !current->tagsReady.wait(left))
            return std::nullopt;
    }
}

bool PlaybackStream::takeEnd()
{
    std::lock_guard lock(m_mutex);
    const std::shared_ptr<Clip> current = currentLocked();
    if (!current || current->state != ClipState::EndAnnounced)
        return false;
    current->state = ClipState::Ended;
    current->endHandled = false;
    m_endPending = false;
    m_lastEnded = current;
    return true;
}

void PlaybackStream::endHandled()
{
    {
        std::lock_guard lock(m_mutex);
        if (const std::shared_ptr<Clip> ended = m_lastEnded.lock())
            ended->endHandled = true;
    }
    m_deviceWakeup.post();
    m_outputWakeup.post();
}

bool PlaybackStream::takeInfoChanged()
{
    std::lock_guard lock(m_mutex);
    return std::exchange(m_infoChanged, false);
}

int64_t PlaybackStream::framesHanded() const
{
    std::lock_guard lock(m_mutex);
    const std::shared_ptr<Clip> current = currentLocked();
    return current ? current->handed : 0;
}

bool PlaybackStream::decodedToEnd() const
{
    std::lock_guard lock(m_mutex);
    const std::shared_ptr<Clip> current = currentLocked();
    return current && current->decodedToEnd;
}

int64_t PlaybackStream::endedTailFrames() const
{
    std::lock_guard lock(m_mutex);
    int64_t frames = 0;
    for (const auto &clip : m_clips) {
        if (clip->state == ClipState::Ended)
            frames += clip->ring.end() - clip->handed;
    }
    return frames;
}

void PlaybackStream::stopClipThreads(std::chrono::milliseconds limit)
{
    {
        std::lock_guard lock(m_mutex);
        for (const auto &clip : m_clips)
            dropClipLocked(clip);
        for (const auto &clip : m_cutOff)
            dropClipLocked(clip);
        m_clips.clear();
        m_cutOff.clear();
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_clipThreads == 0)
                return;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !m_threadsDone.wait(left))
            return;
    }
}

void PlaybackStream::clipThreadEnded()
{
    std::lock_guard lock(m_mutex);
    --m_clipThreads;
    m_threadsDone.post();
}
