#include "bench/power_bench.h"

#include "app/main_window.h"
#include "bench/counting_message_box.h"
#include "bench/engine_bench_data.h"
#include "platform/desktop_adapters.h"
#include "engine/mp3_engine.h"
#include "songlist/song_list_view.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

// CPU time and voluntary context switches of the whole process, ended threads included.
struct Usage
{
    double cpuMs = 0;
    double wakeups = 0;
    double wallMs = 0;
};

double milliseconds(const timeval &time)
{
    return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_usec) / 1e3;
}

Usage usageNow()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    const auto wall = std::chrono::steady_clock::now().time_since_epoch();
    return {milliseconds(usage.ru_utime) + milliseconds(usage.ru_stime),
            static_cast<double>(usage.ru_nvcsw),
            std::chrono::duration<double, std::milli>(wall).count()};
}

// CPU nanoseconds of each living thread, by thread name.
std::map<std::string, double> threadCpuNs()
{
    std::map<std::string, double> byName;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        QFile schedstat(tasks.filePath(task + QStringLiteral("/schedstat")));
        if (!comm.open(QIODevice::ReadOnly) || !schedstat.open(QIODevice::ReadOnly))
            continue;
        const std::string name = comm.readAll().trimmed().toStdString();
        byName[name] += schedstat.readAll().split(' ').value(0).toDouble();
    }
    return byName;
}

// Per minute of wall time, which while playing is per minute of audio.
struct PerMinute
{
    double cpuMs = 0;
    double wakeups = 0;
};

void runEventLoopFor(double seconds)
{
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

bool runEventLoopUntil(const std::function<bool()> &condition, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        runEventLoopFor(0.05);
    }
    return true;
}

PerMinute measure(double seconds, const char *state)
{
    const auto threadsBefore = threadCpuNs();
    const Usage before = usageNow();
    runEventLoopFor(seconds);
    const Usage after = usageNow();
    const double minutes = (after.wallMs - before.wallMs) / 60000.0;
    // Where the time goes, by thread, for whoever wants to know which one to look at.
    std::fprintf(stderr, "power: %s, CPU ms a minute by thread:", state);
    for (const auto &[name, ns] : threadCpuNs()) {
        const auto earlier = threadsBefore.find(name);
        const double spent = ns - (earlier != threadsBefore.end() ? earlier->second : 0.0);
        if (spent > 0)
            std::fprintf(stderr, " %s %.2f", name.c_str(), spent / 1e6 / minutes);
    }
    std::fputs("\n", stderr);
    return {(after.cpuMs - before.cpuMs) / minutes, (after.wakeups - before.wakeups) / minutes};
}

// CPU milliseconds a bare decoder spends on one minute of the same audio, on this thread alone,
// five times over, added to `runs`. Taken right before and after each playing state, so that a
// machine shared with other work weighs on the baseline as it weighs on the playing.
void measureBareDecode(const std::filesystem::path &path, double fromSeconds,
                       std::vector<double> &runs)
{
    for (int run = 0; run < 5; ++run) {
        BareDecoder bare(path);
        bare.seek(static_cast<int64_t>(fromSeconds * static_cast<double>(bare.rate())));
        timespec start = {};
        timespec end = {};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
        bare.decode(static_cast<int64_t>(60.0 * static_cast<double>(bare.rate())));
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
        runs.push_back(static_cast<double>(end.tv_sec - start.tv_sec) * 1e3
                       + static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e6);
    }
}

// CPU microseconds this thread spends on one bare wake-up at the device's pace: a sleep of a
// buffer's time, then a copy of a buffer. Where a wake-up is dear (a virtual machine whose
// processor sleeps when idle), it sets a floor under any player that wakes that often.
double bareWakeUpUs()
{
    constexpr int wakeUps = 20;
    std::vector<unsigned char> from(16384, 1);
    std::vector<unsigned char> to(16384);
    timespec start = {};
    timespec end = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    for (int wakeUp = 0; wakeUp < wakeUps; ++wakeUp) {
        const timespec bufferTime = {0, 92'880'000};
        nanosleep(&bufferTime, nullptr);
        std::memcpy(to.data(), from.data(), to.size());
        from[static_cast<size_t>(wakeUp)] = to[static_cast<size_t>(wakeUp) + 1];
    }
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    return (static_cast<double>(end.tv_sec - start.tv_sec) * 1e6
            + static_cast<double>(end.tv_nsec - start.tv_nsec) / 1e3)
           / wakeUps;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// An idle process hardly ever wakes or runs, and a ratio of two figures near zero says nothing:
// in twenty seconds, three wake-ups a minute and six are one wake-up and two. Less than a
// millisecond or ten wake-ups a minute count as that much.
double ratio(double ours, double baseline, double floor)
{
    return std::max(ours, floor) / std::max(baseline, floor);
}

void printAgainstDecode(const char *name, const PerMinute &ours, double decodeMs)
{
    std::printf("%s: ratio %.2f (ours %.1f ms CPU and %.0f wake-ups a minute, baseline bare "
                "decode %.1f ms)\n",
                name, ours.cpuMs / decodeMs, ours.cpuMs, ours.wakeups, decodeMs);
}

void printAgainstIdle(const char *name, const PerMinute &ours, const PerMinute &idle)
{
    std::printf("%s: ratio %.2f (ours %.1f ms CPU a minute, baseline idle window %.1f ms)\n",
                name, ratio(ours.cpuMs, idle.cpuMs, 1.0), ours.cpuMs, idle.cpuMs);
    std::printf("%s-wakeups: ratio %.2f (ours %.0f a minute, baseline idle window %.0f)\n", name,
                ratio(ours.wakeups, idle.wakeups, 10.0), ours.wakeups, idle.wakeups);
}

// A notification area that is always there, so that closing the window hides it.
class HeadlessTray : public TrayIconService
{
public:
    int32_t notify(int32_t, const NotifyIconData &) override { return 1; }
    bool isAvailable() const override { return true; }
    void popupAtPointer(QMenu &) override {}
};

} // namespace

int runPowerBench(int argc, char *argv[])
{
    const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 20.0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Takes buffers at the real-time pace and plays them nowhere.
    qputenv("SDL_AUDIODRIVER", "dummy");
    QApplication application(argc, argv);
    QTemporaryDir dir;
    const std::filesystem::path song = dir.filePath(QStringLiteral("song.mp3")).toStdString();
    if (!dir.isValid() || !writeLongMp3(song, 3 * seconds + 30))
        return 1;

    CountingMessageBox messageBox("power");
    DesktopPlatform desktop(messageBox);
    HeadlessTray tray;
    Platform platform{desktop.player,   messageBox,        desktop.screen,
                      tray,             desktop.instanceGuard, desktop.clock,
                      desktop.eventLoop, desktop.process,  desktop.drives};
    Mp3Engine &engine = desktop.player;
    frmMain window(platform);
    window.SongPaths.push_back(song);
    window.SongList->AddItem(QStringLiteral("song.mp3"));
    window.show();
    runEventLoopFor(1.0);
    const PerMinute idle = measure(seconds, "idle window");

    window.SongList->setListIndex(0);
    // Past the device's start-up, which is no part of the steady cost.
    runEventLoopFor(1.0);
    const double playedFrom = engine.CurrentPosition();
    std::vector<double> decodeRuns;
    measureBareDecode(song, playedFrom, decodeRuns);
    const PerMinute shown = measure(seconds, "playing, window shown");
    measureBareDecode(song, playedFrom, decodeRuns);
    window.enterTrayMode();
    runEventLoopFor(0.5);
    const PerMinute hidden = measure(seconds, "playing, in the tray");
    measureBareDecode(song, playedFrom, decodeRuns);
    window.leaveTrayMode();

    // Halted states are measured once the device has been let go.
    const auto deviceClosed = [&] { return !engine.deviceOpen(); };
    window.cmdPlayPanel_Click(1);
    const bool pausedClosed = runEventLoopUntil(deviceClosed, 30.0);
    const PerMinute paused = measure(seconds, "paused");
    window.cmdPlayPanel_Click(0);
    runEventLoopFor(1.0);
    window.cmdPlayPanel_Click(2);
    const bool stoppedClosed = runEventLoopUntil(deviceClosed, 30.0);
    const PerMinute stopped = measure(seconds, "stopped");
    if (!pausedClosed || !stoppedClosed)
        std::fputs("power: the audio device stayed open while halted\n", stderr);

    const double decodeMs = median(decodeRuns);
    std::fprintf(stderr, "power: bare decode %.1f to %.1f ms a minute of audio, median %.1f\n",
                 *std::min_element(decodeRuns.begin(), decodeRuns.end()),
                 *std::max_element(decodeRuns.begin(), decodeRuns.end()), decodeMs);
    const double wakeUpUs = bareWakeUpUs();
    std::fprintf(stderr,
                 "power: a bare wake-up costs %.1f us of CPU here; the %.0f wake-ups a minute of "
                 "playing in the tray alone cost %.1f ms, a floor of %.2f times the bare decode\n",
                 wakeUpUs, hidden.wakeups, hidden.wakeups * wakeUpUs / 1e3,
                 (decodeMs + hidden.wakeups * wakeUpUs / 1e3) / decodeMs);
    printAgainstDecode("power-playing-shown", shown, decodeMs);
    printAgainstDecode("power-playing-tray", hidden, decodeMs);
    printAgainstIdle("power-paused", paused, idle);
    printAgainstIdle("power-stopped", stopped, idle);
    std::fprintf(stderr,
                 "power: goals: playing within 2 times the bare decode, paused and stopped "
                 "within 10 %% of the idle window%s\n",
                 messageBox.shown ? " (error boxes were shown)" : "");
    return messageBox.shown || !pausedClosed || !stoppedClosed ? 1 : 0;
}
