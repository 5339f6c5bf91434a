#include "sound/harness/recording.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace {

// Marks this far either side are taken for the line through one of them (their median): enough
// to outvote a reader that ran late, few enough that a stop of the sink's clock is not smeared.
constexpr size_t NeighbourMarks = 40;
// Two marks further apart than this from one line belong to different runs of the clock.
constexpr int64_t ClockStopNs = 15'000'000;

} // namespace

int64_t steadyNowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int64_t Recording::lineOriginNs(size_t markIndex) const
{
    const auto origin = [&](size_t index) {
        return marks[index].leftNs - marks[index].frame * 1'000'000'000 / rate;
    };
    const int64_t own = origin(markIndex);
    std::vector<int64_t> sameRun;
    const size_t first = markIndex > NeighbourMarks ? markIndex - NeighbourMarks : 0;
    const size_t last = std::min(marks.size(), markIndex + NeighbourMarks + 1);
    for (size_t index = first; index < last; ++index) {
        const int64_t other = origin(index);
        if (std::abs(other - own) < ClockStopNs)
            sameRun.push_back(other);
    }
    std::nth_element(sameRun.begin(), sameRun.begin() + sameRun.size() / 2, sameRun.end());
    return sameRun[sameRun.size() / 2];
}

size_t Recording::markNearFrame(int64_t frame) const
{
    const auto after = std::lower_bound(marks.begin(), marks.end(), frame,
        [](const Mark &mark, int64_t f) { return mark.frame < f; });
    return after == marks.end() ? marks.size() - 1 : static_cast<size_t>(after - marks.begin());
}

size_t Recording::markNearNs(int64_t ns) const
{
    const auto after = std::lower_bound(marks.begin(), marks.end(), ns,
        [](const Mark &mark, int64_t t) { return mark.leftNs < t; });
    return after == marks.end() ? marks.size() - 1 : static_cast<size_t>(after - marks.begin());
}

int64_t Recording::nsOfFrame(int64_t frame) const
{
    if (marks.empty() || rate <= 0)
        return 0;
    return lineOriginNs(markNearFrame(frame)) + frame * 1'000'000'000 / rate;
}

int64_t Recording::frameAtNs(int64_t ns) const
{
    if (marks.empty() || rate <= 0)
        return 0;
    const int64_t frame = (ns - lineOriginNs(markNearNs(ns))) * rate / 1'000'000'000;
    return std::clamp<int64_t>(frame, 0, frames());
}
