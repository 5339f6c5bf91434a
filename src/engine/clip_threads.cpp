#include "engine/clip_threads.h"

#include "engine/clip.h"
#include "engine/mp3_decoder.h"
#include "engine/playback_stream.h"
#include "engine/song_file.h"
#include "engine/tag_reader.h"

#include <pthread.h>

Clip::Clip(uint64_t id, std::shared_ptr<Mp3Decoder> songDecoder, int64_t ringFrames)
    : id(id)
    , decoder(std::move(songDecoder))
    , rate(decoder->sampleRate())
    , lengthFrames(decoder->lengthFrames())
    , lengthExact(decoder->lengthIsExact())
    , ring(ringFrames)
{
}

void runClipDecoding(std::shared_ptr<PlaybackStream> stream, std::shared_ptr<Clip> clip)
{
    pthread_setname_np(pthread_self(), "mp3 decoding");
    constexpr size_t StepBytes
        = static_cast<size_t>(PlaybackStream::StepFrames) * Mp3Decoder::BytesPerFrame;
    const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(StepBytes);
    for (;;) {
        const PlaybackStream::DecodingJob job = stream->nextDecodingJob(*clip);
        if (job.stop)
            break;
        if (!job.decode) {
            clip->decodeMore.wait();
            continue;
        }
        // The file is read here, with no lock held: a read that stalls holds up no command and
        // no other song.
        if (job.seekTo)
            clip->decoder->seek(*job.seekTo);
        const Mp3Decoder::ReadResult result = clip->decoder->read(buffer.get(), StepBytes);
        stream->decoded(*clip, job.generation, buffer.get(),
            static_cast<int64_t>(result.bytes / Mp3Decoder::BytesPerFrame), result.ended,
            result.error);
    }
    stream->clipThreadEnded();
}

void runClipInfo(std::shared_ptr<PlaybackStream> stream, std::shared_ptr<Clip> clip)
{
    pthread_setname_np(pthread_self(), "mp3 song info");
    stream->tagsRead(*clip, readSongTags(clip->decoder->file()->path));
    if (!clip->decoder->lengthIsExact() && !clip->stopping.load()) {
        const int64_t frames = scanLengthFrames(*clip->decoder, clip->lengthScanStopping);
        if (frames > 0)
            stream->lengthScanned(*clip, frames);
    }
    stream->clipThreadEnded();
}
