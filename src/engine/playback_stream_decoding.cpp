// The songs' threads' side of the stream: what to decode next, and what was decoded, read or
// walked.
#include "engine/playback_stream.h"

#include <utility>

PlaybackStream::DecodingJob PlaybackStream::nextDecodingJob(Clip &clip)
{
    std::lock_guard lock(m_mutex);
    DecodingJob job;
    if (clip.stopping.load()) {
        job.stop = true;
        return job;
    }
    job.generation = clip.decodeGeneration;
    job.seekTo = std::exchange(clip.seekTo, std::nullopt);
    if (clip.ring.freeFrames() < StepFrames)
        clip.filling = false;
    // A halted song keeps one step decoded, so that Play sounds at once; a playing one is
    // refilled in bursts, each from cold caches and a wake-up, so fewer and longer cost less.
    job.decode = !clip.decodedToEnd && clip.ring.freeFrames() >= StepFrames
        && (clip.filling || clip.ring.end() == clip.ring.first() || job.seekTo);
    return job;
}

void PlaybackStream::decoded(Clip &clip, uint64_t generation, const unsigned char *pcm,
    int64_t frames, bool ended, int readError)
{
    std::lock_guard lock(m_mutex);
    if (clip.stopping.load() || generation != clip.decodeGeneration)
        return;
    clip.ring.append(pcm, frames);
    const bool current = currentLocked().get() == &clip;
    if (ended) {
        clip.decodedToEnd = true;
        clip.readError = readError;
        clip.filling = false;
        // Where the decoding ends is the song's true length, whatever a header promised.
        if (readError == 0 && (clip.lengthFrames != clip.ring.end() || !clip.lengthExact)) {
            clip.lengthExact = true;
            if (clip.lengthFrames != clip.ring.end() && current) {
                m_infoChanged = true;
                m_windowWakeup.post();
            }
            clip.lengthFrames = clip.ring.end();
        }
        // The output times the announcement of the end from now on.
        m_outputWakeup.post();
    }
    if (m_deviceWaiting)
        m_deviceWakeup.post();
    if (m_outputStarved) {
        m_outputStarved = false;
        m_outputWakeup.post();
    }
}

void PlaybackStream::tagsRead(Clip &clip, SongTags tags)
{
    {
        std::lock_guard lock(m_mutex);
        clip.tags = std::move(tags);
        if (currentLocked().get() == &clip) {
            m_infoChanged = true;
            m_windowWakeup.post();
        }
    }
    clip.tagsReady.post();
}

void PlaybackStream::lengthScanned(Clip &clip, int64_t frames)
{
    std::lock_guard lock(m_mutex);
    if (clip.lengthExact || frames <= 0)
        return;
    clip.lengthExact = true;
    if (clip.lengthFrames == frames)
        return;
    clip.lengthFrames = frames;
    if (currentLocked().get() == &clip) {
        m_infoChanged = true;
        m_windowWakeup.post();
    }
}
