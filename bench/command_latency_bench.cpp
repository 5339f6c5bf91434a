#include "bench/command_latency_bench.h"

#include "app/app_error.h"
#include "bench/bench_output.h"
#include "bench/command_timing.h"
#include "bench/power_usage.h"
#include "engine/mp3_decoder.h"
#include "engine/mp3_engine.h"
#include "engine/sdl_output.h"
#include "sound/harness/private_sound_server.h"
#include "tests/engine/engine_test_support.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Whether the engine reports a failure of its output (its position read throws).
bool outputFailed(const Mp3Engine &engine)
{
    try {
        engine.CurrentPosition();
        return false;
    } catch (const AppError &) {
        return true;
    }
}

bool waitFor(const std::function<bool()> &condition, const char *what)
{
    if (runEventLoopUntil(condition, 10.0))
        return true;
    std::fprintf(stderr, "command-latency: %s did not happen within 10 s\n", what);
    return false;
}

// Every command the window gives, one after another, `gap` apart (the event loop runs between
// them, as between a user's clicks), ending with `newFile` playing from its start.
void everyCommand(Mp3Engine &engine, TimedCommands &timed, const fs::path &newFile, double gap)
{
    const std::array<std::pair<const char *, std::function<void()>>, 7> commands = {{
        {"Pause", [&] { engine.Pause(); }},
        {"Play", [&] { engine.Play(); }},
        {"position write", [&] { engine.setCurrentPosition(0.2); }},
        {"Stop", [&] { engine.Stop(); }},
        {"Play", [&] { engine.Play(); }},
        {"new file", [&] { engine.setFileName(newFile); }},
        {"Play", [&] { engine.Play(); }},
    }};
    for (const auto &[name, command] : commands) {
        timed.run(name, command);
        runEventLoopFor(gap);
    }
}

// Short songs at 44.1 and 48 kHz in turn: each one changed to the other from the end's handler,
// as the window does, and every command given while the output plays out the old song's tail
// and reopens at the new rate, at gaps that land anywhere in that.
bool rateChanges(BenchOutput output, int rounds, TimedCommands &timed)
{
    const std::array<fs::path, 2> songs
        = {EngineTest::fixture("sine_440_cbr.mp3"), EngineTest::fixture("sine_440_48k.mp3")};
    Mp3Engine engine(nullptr, engineOptionsFor(output));
    size_t next = 1;
    int changes = 0;
    QObject::connect(&engine, &MediaPlayer::EndOfStream, &engine, [&] {
        timed.run("new file", [&] { engine.setFileName(songs[next]); });
        timed.run("Play", [&] { engine.Play(); });
        next = 1 - next;
        ++changes;
    });
    timed.run("new file", [&] { engine.setFileName(songs[0]); });
    timed.run("Play", [&] { engine.Play(); });
    for (int round = 0; round < rounds; ++round) {
        if (!waitFor([&] { return changes > round; }, "the end of a song"))
            return false;
        runEventLoopFor(0.06 * (round % 4));
        // The command round's new file is at the other rate: a change by the user's hand.
        everyCommand(engine, timed, songs[next], std::array {0.002, 0.008, 0.02, 0.035}[round % 4]);
        next = 1 - next;
    }
    return playsOn(engine, output, "command-latency") && !outputFailed(engine);
}

// Halted with no grace, so the output closes at once, and played again at delays that fall
// before, during and after the close.
bool idleCloses(BenchOutput output, int rounds, const fs::path &song, TimedCommands &timed)
{
    Mp3Engine engine(nullptr, engineOptionsFor(output, 0ms));
    timed.run("new file", [&] { engine.setFileName(song); });
    timed.run("Play", [&] { engine.Play(); });
    constexpr std::array delays = {0.0, 0.005, 0.02, 0.05, 0.1, 0.15, 0.2, 0.3, -1.0};
    for (int round = 0; round < rounds; ++round) {
        if (!waitFor([&] { return engine.deviceOpen(); }, "the device's opening"))
            return false;
        runEventLoopFor(0.3);
        if (round % 2 == 0)
            timed.run("Pause", [&] { engine.Pause(); });
        else
            timed.run("Stop", [&] { engine.Stop(); });
        const double delay = delays[static_cast<size_t>(round) % delays.size()];
        if (delay < 0 && !waitFor([&] { return !engine.deviceOpen(); }, "the idle close"))
            return false;
        runEventLoopFor(std::max(delay, 0.0));
        if (round % 3 == 1)
            timed.run("position write", [&] { engine.setCurrentPosition(1.0 + round); });
        timed.run("Play", [&] { engine.Play(); });
    }
    return playsOn(engine, output, "command-latency") && !outputFailed(engine);
}

// SDL's disk driver gives up its device when a write fails, as a sound card does when it is
// unplugged: the process's file size limit makes it fail a few buffers into each Play, while
// commands come every few milliseconds; then the limit goes and Play opens a device again.
bool lostDevices(int rounds, const fs::path &song, const QString &deviceFile, TimedCommands &timed)
{
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", deviceFile.toLocal8Bit());
    // Ten times faster than real time: the song lasts through every round.
    qputenv("SDL_DISKAUDIODELAY", "10");
    Mp3Engine::Options options;
    options.output = Mp3Engine::OutputChoice::Sdl;
    options.idleDeviceGrace = 0ms;
    Mp3Engine engine(nullptr, options);
    timed.run("new file", [&] { engine.setFileName(song); });
    for (int round = 0; round < rounds; ++round) {
        {
            constexpr int BufferBytes = SdlOutput::BufferFrames * Mp3Decoder::BytesPerFrame;
            EngineTest::FileSizeLimit limit(static_cast<rlim_t>((3 + round % 5) * BufferBytes));
            timed.run("Play", [&] { engine.Play(); });
            const std::array<std::pair<const char *, std::function<void()>>, 3> commands = {{
                {"position write", [&] { engine.setCurrentPosition(2.0 + round); }},
                {"Pause", [&] { engine.Pause(); }},
                {"Play", [&] { engine.Play(); }},
            }};
            size_t step = 0;
            const auto deadline = std::chrono::steady_clock::now() + 10s;
            while (!outputFailed(engine)) {
                if (std::chrono::steady_clock::now() > deadline) {
                    std::fputs("command-latency: the disk driver's device was not lost\n", stderr);
                    return false;
                }
                const auto &[name, command] = commands[step++ % commands.size()];
                timed.run(name, command);
                runEventLoopFor(0.005);
            }
        }
        timed.run("Play", [&] { engine.Play(); });
        const int64_t handed = engine.framesHandedToDevice();
        if (!waitFor([&] { return engine.framesHandedToDevice() > handed; }, "a reopened device"))
            return false;
        timed.run("Pause", [&] { engine.Pause(); });
        if (!waitFor([&] { return !engine.deviceOpen(); }, "the idle close"))
            return false;
    }
    return true;
}

// The sink suspended while the song is paused, as a server suspends a laptop's card: the
// output's close, and then the Play, meet a sink that takes nothing until it wakes.
bool suspendedSink(BenchOutput output, int rounds, const PrivateSoundServer &server,
    const fs::path &song, TimedCommands &timed)
{
    Mp3Engine engine(nullptr, engineOptionsFor(output, 0ms));
    timed.run("new file", [&] { engine.setFileName(song); });
    timed.run("Play", [&] { engine.Play(); });
    for (int round = 0; round < rounds; ++round) {
        if (!waitFor([&] { return engine.framesHandedToDevice() > 0; }, "the first samples"))
            return false;
        runEventLoopFor(0.3);
        timed.run("Pause", [&] { engine.Pause(); });
        server.suspendSink(PrivateSoundServer::MainSink, true);
        runEventLoopFor(0.1 * (round % 4));
        timed.run("Play", [&] { engine.Play(); });
        runEventLoopFor(0.05);
        timed.run("Pause", [&] { engine.Pause(); });
        timed.run("Play", [&] { engine.Play(); });
        server.suspendSink(PrivateSoundServer::MainSink, false);
    }
    return playsOn(engine, output, "command-latency");
}

} // namespace

int runCommandLatencyBench(int argc, char *argv[])
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 8;
    QCoreApplication application(argc, argv);
    QTemporaryDir dir;
    const fs::path song = fs::path(dir.path().toStdString()) / "long.mp3";
    if (!dir.isValid() || !EngineTest::writeLongSong(song)) {
        std::fputs("command-latency: cannot write the long song\n", stderr);
        return 1;
    }

    std::vector<TimedCommands> conditions;
    const auto measured = [&](const char *name, const std::function<bool(TimedCommands &)> &run) {
        conditions.emplace_back(name);
        const bool cameToItsEnd = run(conditions.back());
        if (!cameToItsEnd)
            std::fprintf(stderr, "command-latency: %s did not come to its end\n", name);
        return cameToItsEnd;
    };
    // SDL's output on drivers that pace as a sound card does (dummy) or fail as an unplugged
    // one does (disk): the outputs that close a device.
    bool ran = measured("rate-change-sdl",
        [&](TimedCommands &timed) { return rateChanges(BenchOutput::SdlDummy, rounds, timed); });
    ran = measured("idle-close-sdl", [&](TimedCommands &timed) {
        return idleCloses(BenchOutput::SdlDummy, 2 * rounds, song, timed);
    }) && ran;
    ran = measured("lost-device-sdl", [&](TimedCommands &timed) {
        return lostDevices(rounds, song, dir.filePath(QStringLiteral("device.raw")), timed);
    }) && ran;
    qunsetenv("SDL_DISKAUDIOFILE");
    qunsetenv("SDL_DISKAUDIODELAY");

    // The same on a real sound server (a private one), for both outputs that reach it.
    PrivateSoundServer server;
    if (PrivateSoundServer::installed() && server.start()) {
        server.becomeThisProcessServer();
        ran = measured("rate-change-server", [&](TimedCommands &timed) {
            return rateChanges(BenchOutput::SoundServer, rounds, timed);
        }) && ran;
        ran = measured("idle-close-server", [&](TimedCommands &timed) {
            return idleCloses(BenchOutput::SoundServer, 2 * rounds, song, timed);
        }) && ran;
        for (const BenchOutput output : {BenchOutput::SoundServer, BenchOutput::SdlOnServer}) {
            const std::string name = std::string("suspended-sink-") + benchOutputName(output);
            ran = measured(name.c_str(), [&](TimedCommands &timed) {
                return suspendedSink(output, rounds / 2 + 1, server, song, timed);
            }) && ran;
        }
    } else {
        std::fprintf(stderr, "command-latency: no sound server, its conditions left out: %s\n",
            server.error().toUtf8().constData());
    }
    printCommandLatencies("command-latency", conditions, 5.0);
    // A condition that did not come to its end measured less than it should have.
    return ran ? 0 : 1;
}
