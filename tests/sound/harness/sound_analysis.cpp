#include "sound/harness/sound_analysis.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

// The coarse search works on sums of this many frames of both channels: 2.8 kHz, enough for
// the shape of the sound, and 16 times fewer products.
constexpr int64_t Decimation = 16;
constexpr int CoarseCandidates = 4;
// Tonal sound correlates almost as well one period off as in place, at any coarse scale: each
// candidate is searched sample by sample this far either side (a period of 170 Hz), where only
// the true place matches to the sample.
constexpr int64_t FineReach = 256;

int64_t frameCount(const StereoPcm &pcm)
{
    return static_cast<int64_t>(pcm.size() / 2);
}

std::vector<double> decimatedMix(const StereoPcm &pcm, int64_t from, int64_t frames)
{
    std::vector<double> mix(static_cast<size_t>(frames / Decimation), 0.0);
    for (size_t i = 0; i < mix.size(); ++i) {
        const int64_t first = from + static_cast<int64_t>(i) * Decimation;
        double sum = 0;
        for (int64_t frame = first; frame < first + Decimation; ++frame)
            sum += pcm[2 * frame] + pcm[2 * frame + 1];
        mix[i] = sum;
    }
    return mix;
}

// The coarse lags (in decimated samples) where the probe correlates best with the reference,
// by correlation normalised by the energy of the reference under it, best first.
std::vector<int64_t> coarseCandidates(
    const std::vector<double> &probe, const std::vector<double> &reference)
{
    const auto probeLength = static_cast<int64_t>(probe.size());
    const auto lags = static_cast<int64_t>(reference.size()) - probeLength + 1;
    std::vector<std::pair<double, int64_t>> scored;
    double windowEnergy = 0;
    for (int64_t i = 0; i < probeLength; ++i)
        windowEnergy += reference[i] * reference[i];
    for (int64_t lag = 0; lag < lags; ++lag) {
        if (lag > 0) {
            const double out = reference[lag - 1];
            const double in = reference[lag + probeLength - 1];
            windowEnergy = std::max(0.0, windowEnergy - out * out + in * in);
        }
        double dot = 0;
        for (int64_t i = 0; i < probeLength; ++i)
            dot += probe[i] * reference[lag + i];
        scored.emplace_back(windowEnergy > 0 ? dot / std::sqrt(windowEnergy) : 0.0, lag);
    }
    std::sort(scored.begin(), scored.end(), std::greater<>());
    std::vector<int64_t> best;
    for (const auto &[score, lag] : scored) {
        const bool nearOne = std::any_of(
            best.begin(), best.end(), [&](int64_t chosen) { return std::abs(chosen - lag) <= 2; });
        if (!nearOne)
            best.push_back(lag);
        if (static_cast<int>(best.size()) == CoarseCandidates)
            break;
    }
    return best;
}

// Given up once past `limit`, which most offsets are within a few samples.
double squaredDifference(const StereoPcm &recording, int64_t from, int64_t frames,
    const StereoPcm &reference, int64_t offset, double limit)
{
    double sum = 0;
    for (int64_t i = 2 * from; i < 2 * (from + frames) && sum <= limit; ++i) {
        const double difference = recording[i] - reference[i + 2 * offset];
        sum += difference * difference;
    }
    return sum;
}

bool equalFrame(const StereoPcm &recording, int64_t frame, const StereoPcm &reference,
    int64_t offset, int tolerance)
{
    const int64_t at = frame + offset;
    return at >= 0 && at < frameCount(reference)
        && std::abs(recording[2 * frame] - reference[2 * at]) <= tolerance
        && std::abs(recording[2 * frame + 1] - reference[2 * at + 1]) <= tolerance;
}

} // namespace

std::optional<int64_t> alignToReference(
    const StereoPcm &recording, int64_t from, int64_t frames, const StereoPcm &reference)
{
    if (frames < 4 * Decimation || from < 0 || from + frames > frameCount(recording)
        || frames > frameCount(reference)
        || soundStart(recording, from, from + frames) == from + frames)
        return std::nullopt;
    const std::vector<double> probe = decimatedMix(recording, from, frames);
    const std::vector<double> coarse = decimatedMix(reference, 0, frameCount(reference));
    std::optional<int64_t> best;
    double bestDifference = 0;
    for (const int64_t lag : coarseCandidates(probe, coarse)) {
        const int64_t centre = lag * Decimation - from;
        for (int64_t offset = centre - FineReach; offset <= centre + FineReach; ++offset) {
            if (from + offset < 0 || from + frames + offset > frameCount(reference))
                continue;
            const double difference = squaredDifference(recording, from, frames, reference, offset,
                best ? bestDifference : std::numeric_limits<double>::max());
            if (!best || difference < bestDifference) {
                best = offset;
                bestDifference = difference;
            }
        }
    }
    return best;
}

std::vector<ExactPiece> exactPieces(const StereoPcm &recording, int64_t from, int64_t to,
    const StereoPcm &reference, int64_t minFrames, int tolerance)
{
    constexpr int64_t ProbeFrames = 4096;
    std::vector<ExactPiece> pieces;
    int64_t cursor = soundStart(recording, from, to);
    while (cursor + ProbeFrames <= to) {
        const std::optional<int64_t> offset
            = alignToReference(recording, cursor, ProbeFrames, reference);
        // Where the probe meets the reference exactly for long enough, the piece starts.
        int64_t begin = -1;
        int64_t run = 0;
        for (int64_t frame = cursor;
             offset && frame < cursor + ProbeFrames + minFrames && frame < to; ++frame) {
            run = equalFrame(recording, frame, reference, *offset, tolerance) ? run + 1 : 0;
            if (run == minFrames) {
                begin = frame - minFrames + 1;
                break;
            }
        }
        if (begin < 0) {
            cursor = soundStart(recording, cursor + ProbeFrames / 4, to);
            continue;
        }
        int64_t end = begin + minFrames;
        while (end < to && equalFrame(recording, end, reference, *offset, tolerance))
            ++end;
        pieces.push_back({begin, end, *offset});
        cursor = soundStart(recording, end, to);
    }
    return pieces;
}

const ExactPiece *pieceAt(const std::vector<ExactPiece> &pieces, int64_t frame)
{
    for (const ExactPiece &piece : pieces) {
        if (frame >= piece.begin && frame < piece.end)
            return &piece;
    }
    return nullptr;
}

bool silentFrame(const StereoPcm &pcm, int64_t frame)
{
    return pcm[2 * frame] == 0 && pcm[2 * frame + 1] == 0;
}

int64_t silenceStart(const StereoPcm &pcm, int64_t from, int64_t to, int64_t minFrames)
{
    int64_t run = 0;
    for (int64_t frame = std::max<int64_t>(from, 0); frame < to; ++frame) {
        run = silentFrame(pcm, frame) ? run + 1 : 0;
        if (run == minFrames)
            return frame - minFrames + 1;
    }
    return run > 0 ? to - run : to;
}

int64_t soundStart(const StereoPcm &pcm, int64_t from, int64_t to)
{
    int64_t frame = std::max<int64_t>(from, 0);
    while (frame < to && silentFrame(pcm, frame))
        ++frame;
    return frame;
}

int64_t framesOutsidePieces(const StereoPcm &pcm, int64_t from, int64_t to,
    const std::vector<ExactPiece> &pieces, int64_t slack)
{
    int64_t outside = 0;
    for (int64_t frame = from; frame < to; ++frame) {
        if (silentFrame(pcm, frame))
            continue;
        const bool covered = std::any_of(pieces.begin(), pieces.end(),
            [&](const ExactPiece &p) { return frame >= p.begin - slack && frame < p.end + slack; });
        if (!covered)
            ++outside;
    }
    return outside;
}

int largestStep(const StereoPcm &pcm, int64_t from, int64_t to)
{
    int largest = 0;
    for (int64_t frame = std::max<int64_t>(from, 1); frame < std::min(to, frameCount(pcm));
         ++frame) {
        for (int channel = 0; channel < 2; ++channel)
            largest = std::max(
                largest, std::abs(pcm[2 * frame + channel] - pcm[2 * (frame - 1) + channel]));
    }
    return largest;
}

int fadeStepAllowance(const StereoPcm &material, int64_t from, int64_t to, int64_t fadeFrames)
{
    int loudest = 0;
    for (int64_t i = 2 * std::max<int64_t>(from, 0); i < 2 * std::min(to, frameCount(material));
         ++i)
        loudest = std::max(loudest, std::abs(static_cast<int>(material[i])));
    // One more for the rounding of each faded sample.
    return largestStep(material, from, to)
        + static_cast<int>((loudest + fadeFrames - 1) / fadeFrames) + 1;
}
