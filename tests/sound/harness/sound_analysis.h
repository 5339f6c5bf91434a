#ifndef BRENLOWICK_SOUND_ANALYSIS_H
#define BRENLOWICK_SOUND_ANALYSIS_H

// What a recording of a sink says against a reference decode of the same songs: where its
// stretches lie in the reference, whether they are equal sample for sample, where sound stops
// and starts, and how steep the steps are where it does. Plain functions on interleaved signed
// 16-bit stereo, frames counted from the start of each buffer.

#include "sound/harness/recording.h"

#include <cstdint>
#include <optional>
#include <vector>

// Where the frames [from, from + frames) of the recording lie in the reference, as the offset
// to add to a recording frame: found by cross-correlation (coarse, on a decimated mix of both
// channels, then sample by sample around the best candidates). None when the stretch is silent
// or shorter than the reference can hold.
std::optional<int64_t> alignToReference(
    const StereoPcm &recording, int64_t from, int64_t frames, const StereoPcm &reference);

// Recording frames [begin, end) equal, sample for sample, to the reference frames
// [begin + offset, end + offset), within the tolerance the pieces were cut with.
struct ExactPiece {
    int64_t begin = 0;
    int64_t end = 0;
    int64_t offset = 0;

    int64_t referenceBegin() const { return begin + offset; }
    int64_t referenceEnd() const { return end + offset; }
};

// The recording between `from` and `to` cut into the stretches that equal the reference, each
// at least `minFrames` long, in order; what lies between them (silence, fades, sound that is
// not the reference's) belongs to none. Samples may differ by `tolerance`: 0 for a song played
// straight through; 1 where the decoder sought, as libmpg123 then rounds a sample here and
// there the other way than a decode from the start does, for a while.
std::vector<ExactPiece> exactPieces(const StereoPcm &recording, int64_t from, int64_t to,
    const StereoPcm &reference, int64_t minFrames, int tolerance = 0);
// The piece that holds this recording frame, if any.
const ExactPiece *pieceAt(const std::vector<ExactPiece> &pieces, int64_t frame);

bool silentFrame(const StereoPcm &pcm, int64_t frame);
// The first frame of [from, to) that begins at least `minFrames` of silence (or runs to `to`
// silent); `to` when there is none.
int64_t silenceStart(const StereoPcm &pcm, int64_t from, int64_t to, int64_t minFrames);
// The first frame of [from, to) that is not silent; `to` when there is none.
int64_t soundStart(const StereoPcm &pcm, int64_t from, int64_t to);
// Frames of [from, to) that are neither silent nor inside one of the pieces nor within `slack`
// frames of a piece's ends.
int64_t framesOutsidePieces(const StereoPcm &pcm, int64_t from, int64_t to,
    const std::vector<ExactPiece> &pieces, int64_t slack);

// The largest difference between two neighbouring samples of one channel within [from, to).
int largestStep(const StereoPcm &pcm, int64_t from, int64_t to);
// The largest step that a linear fade over `fadeFrames` can make of the material in
// [from, to): the material's own steepest step, plus its loudest sample spread over the fade.
int fadeStepAllowance(const StereoPcm &material, int64_t from, int64_t to, int64_t fadeFrames);

#endif
