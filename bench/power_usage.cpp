#include "bench/power_usage.h"

#include "bench/engine_bench_data.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// CPU time and voluntary context switches of the whole process, ended threads included.
struct Usage {
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

struct ThreadUsage {
    double cpuNs = 0;
    double wakeups = 0;
};

// The window's thread under a name of its own: threads that set none carry the program's name.
const char *const WindowThread = "window";

// CPU nanoseconds and wake-ups of each living thread, by thread name.
std::map<std::string, ThreadUsage> threadUsage()
{
    std::map<std::string, ThreadUsage> byName;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    const QString windowTask = QString::number(getpid());
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        QFile schedstat(tasks.filePath(task + QStringLiteral("/schedstat")));
        QFile status(tasks.filePath(task + QStringLiteral("/status")));
        if (!comm.open(QIODevice::ReadOnly) || !schedstat.open(QIODevice::ReadOnly)
            || !status.open(QIODevice::ReadOnly))
            continue;
        ThreadUsage &usage = byName[task == windowTask ? std::string(WindowThread)
                                                       : comm.readAll().trimmed().toStdString()];
        usage.cpuNs += schedstat.readAll().split(' ').value(0).toDouble();
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:"))
                usage.wakeups += line.mid(line.indexOf(':') + 1).trimmed().toDouble();
        }
    }
    return byName;
}

} // namespace

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
    const auto threadsBefore = threadUsage();
    const Usage before = usageNow();
    runEventLoopFor(seconds);
    const Usage after = usageNow();
    const double minutes = (after.wallMs - before.wallMs) / 60000.0;
    // Where the time and the wake-ups go, by thread, for whoever wants to know which one to
    // look at.
    std::fprintf(stderr, "power: %s, CPU ms a minute and wake-ups a second by thread:", state);
    double otherThreadsWakeups = 0;
    for (const auto &[name, usage] : threadUsage()) {
        const auto earlier = threadsBefore.find(name);
        const ThreadUsage was = earlier != threadsBefore.end() ? earlier->second : ThreadUsage {};
        if (usage.cpuNs > was.cpuNs || usage.wakeups > was.wakeups)
            std::fprintf(stderr, " %s %.2f/%.1f", name.c_str(),
                (usage.cpuNs - was.cpuNs) / 1e6 / minutes,
                (usage.wakeups - was.wakeups) / minutes / 60.0);
        if (name != WindowThread)
            otherThreadsWakeups += std::max(0.0, usage.wakeups - was.wakeups);
    }
    std::fputs("\n", stderr);
    return {(after.cpuMs - before.cpuMs) / minutes, (after.wakeups - before.wakeups) / minutes,
        otherThreadsWakeups / minutes};
}

void measureBareDecode(
    const std::filesystem::path &path, double fromSeconds, std::vector<double> &runs)
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

double medianOf(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double flooredRatio(double ours, double baseline, double floor)
{
    return std::max(ours, floor) / std::max(baseline, floor);
}
