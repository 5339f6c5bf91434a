#ifndef BRENLOWICK_STEADY_TIME_H
#define BRENLOWICK_STEADY_TIME_H

#include <chrono>
#include <cstdint>

// The steady clock in nanoseconds: the engine's one time base between its threads.
inline int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

#endif
