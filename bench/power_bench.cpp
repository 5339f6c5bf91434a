#include "bench/power_bench.h"

#include "app/main_window.h"
#include "bench/bench_output.h"
#include "bench/counting_message_box.h"
#include "bench/engine_bench_data.h"
#include "bench/power_usage.h"
#include "engine/mp3_engine.h"
#include "platform/desktop_adapters.h"
#include "songlist/song_list_view.h"
#include "sound/harness/private_sound_server.h"

#include <QApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

namespace {

// A notification area that is always there, so that closing the window hides it.
class HeadlessTray : public TrayIconService {
public:
    int32_t notify(int32_t, const NotifyIconData &) override { return 1; }
    bool isAvailable() const override { return true; }
    void popupAtPointer(QMenu &) override { }
};

struct OutputFigures {
    PerMinute shown;
    PerMinute tray;
    PerMinute paused;
    PerMinute stopped;
    std::vector<double> decodeRuns; // the bare decode, around each playing state
    bool deviceLetGo = true;
    bool rightOutput = true;
};

// The window on an engine with this output: a long song played shown and in the tray, then
// paused and stopped (each once the output has let the device go).
OutputFigures measureOutput(BenchOutput output, const std::filesystem::path &song, double seconds,
    DesktopPlatform &desktop, MessageBoxService &messageBox, TrayIconService &tray,
    std::optional<PerMinute> &idle)
{
    Mp3Engine engine(nullptr, engineOptionsFor(output));
    Platform platform {engine, messageBox, desktop.screen, tray, desktop.instanceGuard,
        desktop.clock, desktop.eventLoop, desktop.process, desktop.drives};
    frmMain window(platform);
    window.SongPaths.push_back(song);
    window.SongList->AddItem(QStringLiteral("song.mp3"));
    window.show();
    runEventLoopFor(1.0);
    if (!idle)
        idle = measure(seconds, "idle window");

    const std::string name = benchOutputName(output);
    OutputFigures figures;
    window.SongList->setListIndex(0);
    // Past the device's start-up, which is no part of the steady cost.
    runEventLoopFor(1.0);
    figures.rightOutput = playsOn(engine, output, "power");
    const double playedFrom = engine.CurrentPosition();
    measureBareDecode(song, playedFrom, figures.decodeRuns);
    figures.shown = measure(seconds, (name + ", playing, window shown").c_str());
    measureBareDecode(song, playedFrom, figures.decodeRuns);
    window.enterTrayMode();
    runEventLoopFor(0.5);
    figures.tray = measure(seconds, (name + ", playing, in the tray").c_str());
    measureBareDecode(song, playedFrom, figures.decodeRuns);
    window.leaveTrayMode();

    const auto deviceClosed = [&] { return !engine.deviceOpen(); };
    window.cmdPlayPanel_Click(1);
    figures.deviceLetGo = runEventLoopUntil(deviceClosed, 30.0);
    figures.paused = measure(seconds, (name + ", paused").c_str());
    window.cmdPlayPanel_Click(0);
    runEventLoopFor(1.0);
    window.cmdPlayPanel_Click(2);
    figures.deviceLetGo = runEventLoopUntil(deviceClosed, 30.0) && figures.deviceLetGo;
    figures.stopped = measure(seconds, (name + ", stopped").c_str());
    if (!figures.deviceLetGo)
        std::fprintf(
            stderr, "power: %s: the audio device stayed open while halted\n", name.c_str());
    return figures;
}

const char *verdict(bool met)
{
    return met ? "met" : "missed";
}

void printPlaying(const std::string &name, const PerMinute &ours, double decodeMs,
    const PerMinute &idle, double wakeupGoal)
{
    std::printf("%s: ratio %.2f (ours %.1f ms CPU a minute of audio, baseline bare decode %.1f "
                "ms; goal 1.5: %s)\n",
        name.c_str(), ours.cpuMs / decodeMs, ours.cpuMs, decodeMs,
        verdict(ours.cpuMs <= 1.5 * decodeMs));
    std::printf("%s-wakeups: ratio %.2f (ours %.1f a second of all threads, baseline idle window "
                "%.2f; goal at most %.0f a second: %s)\n",
        name.c_str(), flooredRatio(ours.wakeups, idle.wakeups, 10.0), ours.wakeupsPerSecond(),
        idle.wakeupsPerSecond(), wakeupGoal, verdict(ours.wakeupsPerSecond() <= wakeupGoal));
}

void printHalted(const std::string &name, const PerMinute &ours, const PerMinute &idle)
{
    std::printf("%s: ratio %.2f (ours %.1f ms CPU a minute, baseline idle window %.1f ms)\n",
        name.c_str(), flooredRatio(ours.cpuMs, idle.cpuMs, 1.0), ours.cpuMs, idle.cpuMs);
    // The window's thread wakes for its own reasons; the output and the engine have none.
    std::printf("%s-wakeups: ratio %.2f (ours %.2f a second, baseline idle window %.2f; of "
                "which the threads beside the window's %.2f; goal: the output adds none: %s)\n",
        name.c_str(), flooredRatio(ours.wakeups, idle.wakeups, 10.0), ours.wakeupsPerSecond(),
        idle.wakeupsPerSecond(), ours.otherThreadsWakeupsPerSecond(),
        verdict(ours.otherThreadsWakeups <= idle.otherThreadsWakeups));
}

void printOutput(BenchOutput output, const OutputFigures &figures, const PerMinute &idle)
{
    const double decodeMs = medianOf(figures.decodeRuns);
    const std::string prefix = std::string("power-") + benchOutputName(output);
    std::fprintf(stderr, "power: %s: bare decode %.1f to %.1f ms a minute of audio, median %.1f\n",
        benchOutputName(output),
        *std::min_element(figures.decodeRuns.begin(), figures.decodeRuns.end()),
        *std::max_element(figures.decodeRuns.begin(), figures.decodeRuns.end()), decodeMs);
    const double wakeUpUs = bareWakeUpUs();
    std::fprintf(stderr,
        "power: %s: a bare wake-up costs %.1f us of CPU here; the %.1f wake-ups a second "
        "of playing in the tray alone cost %.2f times the bare decode\n",
        benchOutputName(output), wakeUpUs, figures.tray.wakeupsPerSecond(),
        figures.tray.wakeups * wakeUpUs / 1e3 / decodeMs);
    printPlaying(prefix + "-playing-shown", figures.shown, decodeMs, idle, 15);
    printPlaying(prefix + "-playing-tray", figures.tray, decodeMs, idle, 8);
    printHalted(prefix + "-paused", figures.paused, idle);
    printHalted(prefix + "-stopped", figures.stopped, idle);
    std::fflush(stdout);
}

} // namespace

int runPowerBench(int argc, char *argv[])
{
    const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 20.0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QTemporaryDir dir;
    const std::filesystem::path song = dir.filePath(QStringLiteral("song.mp3")).toStdString();
    if (!dir.isValid() || !writeLongMp3(song, 3 * seconds + 30))
        return 1;
    // The real server: a private one, so that nothing the user plays weighs on the figures and
    // nothing of the benchmark is heard.
    PrivateSoundServer server;
    if (!PrivateSoundServer::installed() || !server.start()) {
        std::fprintf(stderr, "power: no sound server to measure on: %s\n",
            server.error().toUtf8().constData());
        return 1;
    }
    server.becomeThisProcessServer();

    CountingMessageBox messageBox("power");
    DesktopPlatform desktop(messageBox);
    HeadlessTray tray;
    std::optional<PerMinute> idle;
    bool deviceLetGo = true;
    bool rightOutputs = true;
    for (const BenchOutput output :
        {BenchOutput::SoundServer, BenchOutput::SdlOnServer, BenchOutput::SdlDummy}) {
        const OutputFigures figures
            = measureOutput(output, song, seconds, desktop, messageBox, tray, idle);
        printOutput(output, figures, *idle);
        deviceLetGo = deviceLetGo && figures.deviceLetGo;
        rightOutputs = rightOutputs && figures.rightOutput;
    }
    std::fprintf(stderr,
        "power: goals: playing within 1.5 times the bare decode, at most 15 "
        "wake-ups a second shown and 8 in the tray; paused and stopped, no "
        "wake-up of the output%s\n",
        messageBox.shown ? " (error boxes were shown)" : "");
    return messageBox.shown || !deviceLetGo || !rightOutputs ? 1 : 0;
}
