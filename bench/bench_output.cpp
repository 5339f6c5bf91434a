#include "bench/bench_output.h"

#include <cstdlib>

const char *benchOutputName(BenchOutput output)
{
    return output == BenchOutput::SoundServer ? "server" : "sdl";
}

Mp3Engine::Options engineOptionsFor(BenchOutput output)
{
    // The engine plays through SDL alone: SDL's PulseAudio driver is its way to the server, and
    // SDL's output without a server is the dummy driver, which paces in real time.
    setenv("SDL_AUDIODRIVER", output == BenchOutput::SoundServer ? "pulseaudio" : "dummy", 1);
    return {};
}
