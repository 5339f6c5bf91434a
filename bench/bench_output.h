#ifndef BRENLOWICK_BENCH_OUTPUT_H
#define BRENLOWICK_BENCH_OUTPUT_H

#include "engine/mp3_engine.h"

// The outputs the sound benchmarks compare on a real sound server (the private one, which the
// caller has made this process's server): the engine's own for sound servers, and SDL's.
enum class BenchOutput { SoundServer, Sdl };

const char *benchOutputName(BenchOutput output);

// The one place where a benchmark chooses the engine's output: the options to build the engine
// with, and SDL's driver in the environment, set before the engine first plays.
Mp3Engine::Options engineOptionsFor(BenchOutput output);

#endif
