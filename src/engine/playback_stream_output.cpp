// The output's side of the stream: what is handed, what is heard, and what a cut takes back.
#include "engine/fades.h"
#include "engine/mp3_decoder.h"
#include "engine/playback_stream.h"
#include "engine/song_file.h"
#include "engine/steady_time.h"

#include <algorithm>
#include <cstring>

namespace {

int64_t fadeFrames(long rate)
{
    return static_cast<int64_t>(rate) * PlaybackStream::FadeMilliseconds / 1000;
}

bool sounding(const Clip &clip)
{
    return clip.state == ClipState::Playing || clip.state == ClipState::EndAnnounced
        || clip.state == ClipState::Ended;
}

bool fullyHanded(const Clip &clip)
{
    return clip.decodedToEnd && clip.handed == clip.ring.end();
}

} // namespace

void PlaybackStream::setOutputCanTakeBack(bool canTakeBack)
{
    std::lock_guard lock(m_mutex);
    m_canTakeBack = canTakeBack;
}

int64_t PlaybackStream::handedEnd() const
{
    std::lock_guard lock(m_mutex);
    return m_log.handedEnd();
}

void PlaybackStream::handSilence(int64_t frames)
{
    std::lock_guard lock(m_mutex);
    m_log.append(nullptr, 0, frames);
}

PlaybackStream::Plan PlaybackStream::plan() const
{
    std::lock_guard lock(m_mutex);
    Plan plan;
    plan.cut = m_cutPending;
    // The first song with something to hand, or a playing one with its end to announce.
    for (const auto &clip : m_clips) {
        if (!m_running || !sounding(*clip)
            || (clip->state == ClipState::Ended && fullyHanded(*clip)))
            continue;
        plan.rate = clip->rate;
        break;
    }
    plan.sound = plan.rate != 0 && !m_cutPending;
    plan.idle = plan.rate == 0 && !m_cutPending;
    return plan;
}

int64_t PlaybackStream::pull(unsigned char *destination, int64_t frames, long rate)
{
    std::lock_guard lock(m_mutex);
    return pullLocked(destination, frames, rate);
}

int64_t PlaybackStream::pullLocked(unsigned char *destination, int64_t frames, long rate)
{
    int64_t total = 0;
    if (m_cutPending || !m_running)
        return 0;
    const std::shared_ptr<Clip> current = currentLocked();
    for (const auto &clip : m_clips) {
        if (total == frames || clip->state == ClipState::Halted || clip->rate != rate)
            break;
        if (clip->state == ClipState::Finished)
            continue;
        const int64_t count = std::min(clip->ring.end() - clip->handed, frames - total);
        if (count > 0) {
            unsigned char *at = destination + total * Mp3Decoder::BytesPerFrame;
            clip->ring.read(clip->handed, at, count);
            // A resume or a seek fades in; a song's own start does not.
            if (m_fadeInNext && clip->handed > 0)
                fadeIn(at, std::min(count, fadeFrames(rate)));
            m_fadeInNext = false;
            m_log.append(clip, clip->handed, count);
            clip->handed += count;
            total += count;
        }
        // Half the ring left to hand: the decoding refills it while the output sleeps, so the
        // next burst finds what it needs at once.
        if (!clip->filling && clip->ring.end() - clip->handed < clip->ring.capacity() / 2)
            wakeDecodingLocked(*clip);
        if (clip->handed < clip->ring.end())
            break;
        if (!clip->decodedToEnd) {
            m_outputStarved = true;
            wakeDecodingLocked(*clip);
            break;
        }
        if (clip->readError != 0) {
            failClipReadLocked(*clip);
            break;
        }
        // Only a song whose end the window took is followed by the next, without a gap.
        if (clip == current || clip->state != ClipState::Ended)
            break;
    }
    return total;
}

void PlaybackStream::failClipReadLocked(Clip &clip)
{
    // The sound stops where the file could no longer be read, and the window hears of it
    // through the position, as of a device that went away: it is no end of the song.
    try {
        raiseFromErrno(clip.readError, QString::fromLocal8Bit(clip.decoder->file()->path.c_str()));
    } catch (const AppError &error) {
        m_failure = error;
    }
    m_running = false;
    clip.state = ClipState::Halted;
}

void PlaybackStream::heard(
    int64_t heardFrame, int64_t atNs, bool running, int64_t keepFrom, long rate)
{
    std::lock_guard lock(m_mutex);
    m_clock = Clock {heardFrame, atNs, running, rate};
    m_clockFloor = heardFrame;
    releaseLocked(keepFrom);
    finishClipsLocked();
}

void PlaybackStream::releaseLocked(int64_t keepFrom)
{
    m_keepFrom = keepFrom;
    for (const auto &clip : m_clips) {
        if (const auto frame = m_log.clipFrameAt(*clip, keepFrom))
            clip->ring.release(std::min(*frame, clip->handed));
        if (!clip->filling && !clip->decodedToEnd
            && clip->ring.freeFrames() >= clip->ring.capacity() / 2)
            wakeDecodingLocked(*clip);
    }
    m_log.release(keepFrom);
}

void PlaybackStream::finishClipsLocked()
{
    const std::shared_ptr<Clip> current = currentLocked();
    for (auto it = m_clips.begin(); it != m_clips.end();) {
        Clip &clip = **it;
        if (clip.state == ClipState::Ended && fullyHanded(clip)
            && m_log.outputEndOf(clip).value_or(0) <= m_keepFrom)
            clip.state = ClipState::Finished;
        if (clip.state == ClipState::Finished && *it != current) {
            dropClipLocked(*it);
            it = m_clips.erase(it);
        } else {
            ++it;
        }
    }
}

int64_t PlaybackStream::acknowledgeCut(
    int64_t frame, unsigned char *fadeOutFrames, int64_t capacity)
{
    std::lock_guard lock(m_mutex);
    if (!m_cutPending)
        return 0;
    int64_t faded = 0;
    // Where the output lets go of the sound: not before what it has played, not past what it
    // was handed.
    frame = std::clamp(frame, m_keepFrom, m_log.handedEnd());
    {
        if (const OutputLog::Stretch *stretch = m_log.stretchAt(frame); stretch && stretch->clip) {
            const Clip &clip = *stretch->clip;
            const int64_t clipFrame = stretch->clipStart + (frame - stretch->outputStart);
            const int64_t count = std::min({fadeFrames(clip.rate), stretch->outputEnd() - frame,
                clip.ring.end() - clipFrame, capacity});
            if (clipFrame >= clip.ring.first() && count > 0) {
                clip.ring.read(clipFrame, fadeOutFrames, count);
                fadeOut(fadeOutFrames, count);
                faded = count;
            }
        }
    }
    if (faded == 0 && frame < m_log.handedEnd() && capacity > 0) {
        // Nothing to fade (the song's audio there is gone): a silent frame still tells the
        // output where its queue ends.
        std::memset(fadeOutFrames, 0, Mp3Decoder::BytesPerFrame);
        faded = 1;
    }
    applyCutLocked(frame + faded);
    return faded;
}

void PlaybackStream::applyCutLocked(int64_t frame)
{
    // Each song goes back to the frame that is next to be heard: before the log is cut, which
    // forgets where the songs stood past that frame.
    const auto rewind = [&](Clip &clip) {
        if (const auto at = m_log.clipFrameAt(clip, frame))
            clip.handed = std::min(clip.handed, *at);
    };
    for (const auto &clip : m_clips)
        rewind(*clip);
    m_log.truncate(frame);
    for (const auto &clip : m_cutOff)
        dropClipLocked(clip);
    m_cutOff.clear();
    if (const std::shared_ptr<Clip> current = currentLocked(); current && current->pendingSeek)
        applyPendingSeekLocked(*current);
    m_fadeInNext = m_canTakeBack;
    m_cutPending = false;
    // The sound stands at most here until the output says it runs again.
    m_clock = Clock {std::min(heardFrameLocked(nowNs()), frame), nowNs(), false, m_clock.rate};
    m_clockFloor = std::min(m_clockFloor, m_clock.frame);
    m_deviceWakeup.post();
    m_outputWakeup.post();
}

void PlaybackStream::applyPendingSeekLocked(Clip &clip)
{
    const int64_t frame = *clip.pendingSeek;
    clip.pendingSeek.reset();
    m_log.forget(clip);
    clip.ring.reset(frame);
    clip.handed = frame;
    clip.seekTo = frame;
    ++clip.decodeGeneration;
    clip.decodedToEnd = false;
    clip.readError = 0;
    clip.filling = clip.state == ClipState::Playing;
    clip.decodeMore.post();
}

int64_t PlaybackStream::announceEndWithin(int64_t from, int64_t lead)
{
    std::lock_guard lock(m_mutex);
    return announceEndWithinLocked(from, lead);
}

int64_t PlaybackStream::announceEndWithinLocked(int64_t from, int64_t lead)
{
    const std::shared_ptr<Clip> current = currentLocked();
    if (!current || current->state != ClipState::Playing || m_cutPending || !m_running)
        return 0;
    if (!current->decodedToEnd || current->readError != 0)
        return -1;
    // Where the song's last sample will be handed: behind what is handed and what the songs
    // before it still have to hand.
    int64_t end = m_log.handedEnd();
    for (const auto &clip : m_clips) {
        if (sounding(*clip))
            end += clip->ring.end() - clip->handed;
    }
    const int64_t until = end - from - lead;
    if (until > 0)
        return until;
    current->state = ClipState::EndAnnounced;
    current->endHandled = false;
    m_endPending = true;
    m_windowWakeup.post();
    return 0;
}

void PlaybackStream::outputFailed(const AppError &error)
{
    std::lock_guard lock(m_mutex);
    m_failure = error;
    m_running = false;
    const std::shared_ptr<Clip> current = keepOnlyCurrentLocked();
    if (current && sounding(*current))
        current->state = ClipState::Halted;
    m_endPending = false;
    // What the device held when it went is lost: the song halts where it was heard (where it
    // was handed, for a device that cannot tell).
    m_cutPending = true;
    applyCutLocked(m_canTakeBack ? heardFrameLocked(nowNs()) : m_log.handedEnd());
}

void PlaybackStream::fillDeviceBuffer(unsigned char *buffer, int64_t frames, long rate) noexcept
{
    const int64_t startNs = nowNs();
    const int64_t bufferNs = frames * 1'000'000'000 / std::max(rate, 1L);
    int64_t filled = 0;
    std::unique_lock lock(m_mutex);
    const int64_t bufferStart = m_log.handedEnd();
    for (;;) {
        filled += pullLocked(buffer + filled * Mp3Decoder::BytesPerFrame, frames - filled, rate);
        // The last sample goes to the device within the next buffer: the listener's end is a
        // buffer away, time enough to open and start the next song behind it.
        announceEndWithinLocked(m_log.handedEnd(), frames);
        if (filled == frames || !m_running || m_cutPending)
            break;
        // A device may ask faster than the decoding has gone ahead (two buffers at once when it
        // starts, all at once when it writes a file): the decoding is waited for up to a
        // buffer's time. And where the song has ended, the window's handler, which may queue
        // the next song behind it, is waited for a while longer: silence between them would be
        // a gap.
        bool decoding = false;
        bool window = false;
        for (const auto &clip : m_clips) {
            window = window
                || ((clip->state == ClipState::EndAnnounced || clip->state == ClipState::Ended)
                    && !clip->endHandled && clip->readError == 0);
            decoding = decoding
                || (clip->rate == rate && sounding(*clip) && !clip->decodedToEnd
                    && clip->handed == clip->ring.end());
        }
        const int64_t limitNs = decoding ? bufferNs : window ? 4 * bufferNs : 0;
        const int64_t leftNs = startNs + limitNs - nowNs();
        if (leftNs <= 0)
            break;
        m_deviceWaiting = true;
        lock.unlock();
        m_deviceWakeup.wait(std::chrono::milliseconds(leftNs / 1'000'000 + 1));
        lock.lock();
        m_deviceWaiting = false;
    }
    const int64_t now = nowNs();
    if (filled > 0) {
        // The buffer's middle is heard when it is handed over, and time runs on from there;
        // a buffer asked for late finds the position run on, and it holds there.
        const int64_t floor = heardFrameLocked(now);
        m_clock = Clock {bufferStart - frames / 2, now, true, rate};
        m_clockFloor = floor;
    } else {
        m_clock.running = false;
    }
    releaseLocked(m_log.handedEnd());
    finishClipsLocked();
    lock.unlock();
    std::memset(buffer + filled * Mp3Decoder::BytesPerFrame, 0,
        static_cast<size_t>(frames - filled) * Mp3Decoder::BytesPerFrame);
}
