#include "bench/command_timing.h"

#include "app/app_error.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <sys/resource.h>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// The times the thread slept and was preempted, and its CPU time, which the kernel's usage
// counts only in ticks.
struct ThreadCounters {
    long slept = 0;
    long preempted = 0;
    double cpuMs = 0;
};

ThreadCounters threadCounters()
{
    rusage usage = {};
    getrusage(RUSAGE_THREAD, &usage);
    timespec cpu = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    return {usage.ru_nvcsw, usage.ru_nivcsw,
        static_cast<double>(cpu.tv_sec) * 1e3 + static_cast<double>(cpu.tv_nsec) / 1e6};
}

std::string describe(const TimedCall &call)
{
    char text[200];
    std::snprintf(text, sizeof text,
        "%.3f ms, a %s (%.3f ms of CPU, slept %ld times, preempted %ld times)", call.ms, call.name,
        call.cpuMs, call.slept, call.preempted);
    return text;
}

} // namespace

void WorstCalls::add(const TimedCall &call)
{
    ++count;
    if (call.ms > worst.ms)
        worst = call;
    if (call.preempted == 0 && call.ms > worstUnpreempted.ms)
        worstUnpreempted = call;
}

TimedCall timeCall(const char *name, const std::function<void()> &body)
{
    const ThreadCounters before = threadCounters();
    const auto start = Clock::now();
    body();
    const auto end = Clock::now();
    const ThreadCounters after = threadCounters();
    return {std::chrono::duration<double, std::milli>(end - start).count(),
        after.cpuMs - before.cpuMs, after.slept - before.slept, after.preempted - before.preempted,
        name};
}

TimedCommands::TimedCommands(std::string condition)
    : m_condition(std::move(condition))
{
}

void TimedCommands::run(const char *command, const std::function<void()> &body)
{
    const TimedCall call = timeCall(command, [&] {
        try {
            body();
        } catch (const AppError &error) {
            std::fprintf(stderr, "%s: %s threw: %s\n", m_condition.c_str(), command, error.what());
        }
    });
    m_ms.push_back(call.ms);
    m_calls.add(call);
}

double TimedCommands::medianMs() const
{
    if (m_ms.empty())
        return 0;
    std::vector<double> sorted = m_ms;
    std::sort(sorted.begin(), sorted.end());
    return sorted[sorted.size() / 2];
}

WorstCalls bareHandOffs(int commands)
{
    std::mutex mutex;
    std::condition_variable wake;
    bool quit = false;
    int field = 0;
    std::vector<unsigned char> from(16384, 1);
    std::vector<unsigned char> to(16384);
    std::thread output([&] {
        std::unique_lock lock(mutex);
        while (!quit) {
            std::memcpy(to.data(), from.data(), to.size());
            from[static_cast<size_t>(field) % from.size()] = to[1];
            wake.wait_for(lock, std::chrono::milliseconds(5));
        }
    });
    WorstCalls calls;
    for (int command = 0; command < commands; ++command) {
        calls.add(timeCall("hand-off", [&] {
            {
                std::lock_guard lock(mutex);
                field = command;
            }
            wake.notify_one();
        }));
        std::this_thread::sleep_for(std::chrono::milliseconds(7));
    }
    {
        std::lock_guard lock(mutex);
        quit = true;
    }
    wake.notify_one();
    output.join();
    return calls;
}

void printCommandLatencies(
    const char *benchmark, const std::vector<TimedCommands> &conditions, double goalMs)
{
    int commands = 0;
    const TimedCommands *worst = nullptr;
    for (const TimedCommands &condition : conditions) {
        commands += condition.calls().count;
        if (worst == nullptr
            || condition.calls().worstUnpreempted.ms > worst->calls().worstUnpreempted.ms)
            worst = &condition;
        std::fprintf(stderr, "%s: %s: %d commands, median %.3f ms, worst %s\n", benchmark,
            condition.condition().c_str(), condition.calls().count, condition.medianMs(),
            describe(condition.calls().worst).c_str());
    }
    if (worst == nullptr)
        return;
    const WorstCalls bare = bareHandOffs(commands);
    const double baselineMs = bare.worstUnpreempted.ms;
    std::fprintf(
        stderr, "%s: bare mutex hand-off: worst %s\n", benchmark, describe(bare.worst).c_str());
    const auto print = [&](const std::string &name, const WorstCalls &calls, const char *where) {
        const TimedCall &own = calls.worstUnpreempted;
        std::printf("%s: ratio %.2f (ours %.3f ms, a %s%s, the worst of %d commands the system did "
                    "not preempt, %.3f ms with its preemptions; baseline bare mutex hand-off %.3f "
                    "ms, %.3f ms with its preemptions; goal under %.0f ms: %s)\n",
            name.c_str(), own.ms / std::max(baselineMs, 1e-3), own.ms, own.name, where, calls.count,
            calls.worst.ms, baselineMs, bare.worst.ms, goalMs, own.ms < goalMs ? "met" : "missed");
    };
    for (const TimedCommands &condition : conditions)
        print(std::string(benchmark) + "-" + condition.condition(), condition.calls(), "");
    WorstCalls all;
    for (const TimedCommands &condition : conditions) {
        all.count += condition.calls().count;
        all.worst = std::max(all.worst, condition.calls().worst,
            [](const TimedCall &a, const TimedCall &b) { return a.ms < b.ms; });
    }
    all.worstUnpreempted = worst->calls().worstUnpreempted;
    print(std::string(benchmark) + "-worst", all, (" under " + worst->condition()).c_str());
    std::fflush(stdout);
}
