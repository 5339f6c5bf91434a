#ifndef BRENLOWICK_CLIP_THREADS_H
#define BRENLOWICK_CLIP_THREADS_H

#include <memory>

class PlaybackStream;
struct Clip;

// The two threads each song has while it is in playback, so that a song whose file stalls (a
// disk waking, a share gone) holds up nothing else: one decodes it ahead of the output, one
// reads its tags and, where no header states its length, walks the file for the exact length.
// Both end soon after the song leaves playback; one stuck in a read ends when the read returns.
void runClipDecoding(std::shared_ptr<PlaybackStream> stream, std::shared_ptr<Clip> clip);
void runClipInfo(std::shared_ptr<PlaybackStream> stream, std::shared_ptr<Clip> clip);

#endif
