#include "bench/bench_output.h"

#include <cstdio>
#include <cstdlib>

const char *benchOutputName(BenchOutput output)
{
    switch (output) {
    case BenchOutput::SoundServer:
        return "server";
    case BenchOutput::SdlOnServer:
        return "sdl";
    default:
        return "sdl-dummy";
    }
}

Mp3Engine::Options engineOptionsFor(BenchOutput output, std::chrono::milliseconds idleDeviceGrace)
{
    Mp3Engine::Options options;
    options.idleDeviceGrace = idleDeviceGrace;
    if (output == BenchOutput::SoundServer) {
        options.output = Mp3Engine::OutputChoice::SoundServer;
        unsetenv("SDL_AUDIODRIVER");
    } else {
        options.output = Mp3Engine::OutputChoice::Sdl;
        setenv("SDL_AUDIODRIVER", output == BenchOutput::SdlOnServer ? "pulseaudio" : "dummy", 1);
    }
    return options;
}

bool playsOn(const Mp3Engine &engine, BenchOutput output, const char *benchmark)
{
    const QString expected
        = output == BenchOutput::SoundServer ? QStringLiteral("pulse") : QStringLiteral("sdl");
    if (engine.outputName() == expected)
        return true;
    std::fprintf(stderr, "%s: %s: the engine plays on \"%s\", not \"%s\"\n", benchmark,
        benchOutputName(output), engine.outputName().toUtf8().constData(),
        expected.toUtf8().constData());
    return false;
}
