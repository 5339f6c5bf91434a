#ifndef BRENLOWICK_SOAK_RUN_H
#define BRENLOWICK_SOAK_RUN_H

#include "bench/soak/soak_actions.h"
#include "bench/soak/soak_checker.h"
#include "bench/soak/soak_resources.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// How fast the audio device takes buffers: fast (SDL's disk driver about forty times faster
// than real time, so short songs end every few actions), real (SDL's dummy driver, in real
// time) or slow (the disk driver slower than real time, as a device that is late).
enum class SoakPace { Fast, Real, Slow };

struct SoakOptions {
    uint64_t seed = 0;
    int actions = 20000;
    SoakPace pace = SoakPace::Fast;
    int historyLines = 40;
};

struct SoakResult {
    bool passed = false;
    int actionsDone = 0;
    double seconds = 0.0;
    std::array<int, static_cast<size_t>(ActionKind::Count)> actionCounts {};
    SoakChecker::Counts counts;
    bool settingsKept = false;
    // Before the window is built, after the first 1,000 actions (when there were that many),
    // at the last action, and once the window and the engine are gone.
    ResourceSample atStart;
    ResourceSample atThousand;
    ResourceSample atEnd;
    ResourceSample afterTeardown;
    // Resident megabytes every 5,000 actions, from action 1,000: a leak climbs steadily, a
    // cache levels off.
    std::vector<std::pair<int, double>> residentTrend;
};

// One soak of the real window on the real engine; a failure is printed with the seed and the
// last actions as it happens.
SoakResult runSoak(const SoakOptions &options);

#endif
