#ifndef BRENLOWICK_POWER_USAGE_H
#define BRENLOWICK_POWER_USAGE_H

#include <filesystem>
#include <functional>
#include <vector>

// What the power benchmark measures of this process, and its bare baselines.

// CPU time and wake-ups (voluntary context switches) of all the process's threads, ended ones
// included, per minute of wall time, which while playing is per minute of audio.
struct PerMinute {
    double cpuMs = 0;
    double wakeups = 0;
    // Of those, the wake-ups of every thread but the window's (the engine's, its output's, the
    // libraries'), living at the start and end of the measurement.
    double otherThreadsWakeups = 0;

    double wakeupsPerSecond() const { return wakeups / 60.0; }
    double otherThreadsWakeupsPerSecond() const { return otherThreadsWakeups / 60.0; }
};

void runEventLoopFor(double seconds);
bool runEventLoopUntil(const std::function<bool()> &condition, double seconds);

// Runs the event loop this long and measures it; prints where the time and the wake-ups went,
// by thread, to stderr under `state`.
PerMinute measure(double seconds, const char *state);

// CPU milliseconds a bare decoder spends on one minute of the same audio, on this thread alone,
// five times over, added to `runs`.
void measureBareDecode(
    const std::filesystem::path &path, double fromSeconds, std::vector<double> &runs);

// CPU microseconds this thread spends on one bare wake-up at the device's pace: a sleep of a
// buffer's time, then a copy of a buffer.
double bareWakeUpUs();

double medianOf(std::vector<double> values);

// A ratio of figures that may be near zero: below `floor` they count as `floor`.
double flooredRatio(double ours, double baseline, double floor);

#endif
