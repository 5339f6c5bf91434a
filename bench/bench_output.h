#ifndef BRENLOWICK_BENCH_OUTPUT_H
#define BRENLOWICK_BENCH_OUTPUT_H

#include "engine/mp3_engine.h"

#include <chrono>

// The outputs the sound benchmarks compare on a real sound server (the private one, which the
// caller has made this process's server): the engine's own for sound servers, SDL's through its
// PulseAudio driver to the same server, and SDL's dummy driver, which paces in real time and
// plays nowhere (what SDL costs without a server in the way).
enum class BenchOutput { SoundServer, SdlOnServer, SdlDummy };

const char *benchOutputName(BenchOutput output);

// The one place where a benchmark chooses the engine's output: the options to build the engine
// with, and SDL's driver in the environment, set before the engine first plays (SDL reads it
// when an engine first opens its device).
Mp3Engine::Options engineOptionsFor(BenchOutput output,
    std::chrono::milliseconds idleDeviceGrace = Mp3Engine::Options {}.idleDeviceGrace);

// Whether the engine, once it has played, runs on the output it was built for; prints to
// stderr under `benchmark` when it does not (a figure of another output would be a wrong one).
bool playsOn(const Mp3Engine &engine, BenchOutput output, const char *benchmark);

#endif
