#ifndef BRENLOWICK_COMMAND_TIMING_H
#define BRENLOWICK_COMMAND_TIMING_H

#include <functional>
#include <string>
#include <vector>

// One timed call on the window's thread, and why it took its time: the thread's CPU time in it,
// the times it slept (on a lock, a read, a device) and the times the system took its core away
// (another program's work on a shared machine, nothing the call waited for).
struct TimedCall {
    double ms = 0;
    double cpuMs = 0;
    long slept = 0;
    long preempted = 0;
    const char *name = "";
};

// The worst of many calls, and the worst of those the system let run to their end unpreempted:
// on a shared machine the first includes other programs' work, the second is the call's own.
struct WorstCalls {
    int count = 0;
    TimedCall worst;
    TimedCall worstUnpreempted;

    void add(const TimedCall &call);
};

// Runs `body` on this thread and times it.
TimedCall timeCall(const char *name, const std::function<void()> &body);

// How long the window's thread waits for each command it gives the player, under one condition
// of the output (a change of rate, an idle close, a lost device, ...).
class TimedCommands {
public:
    explicit TimedCommands(std::string condition);

    // Runs one command and keeps how long it took to return. An AppError it throws (a file that
    // cannot be opened) is a command that returned; it is told on stderr.
    void run(const char *command, const std::function<void()> &body);

    const std::string &condition() const { return m_condition; }
    const WorstCalls &calls() const { return m_calls; }
    double medianMs() const;

private:
    std::string m_condition;
    std::vector<double> m_ms;
    WorstCalls m_calls;
};

// The least a command can cost, as many times as `commands`, a few milliseconds apart: the
// window's thread takes a std::mutex that another thread holds now and then (to fill a device
// buffer, as an output does), changes a field, lets go and wakes that thread.
WorstCalls bareHandOffs(int commands);

// One line per condition and one for the worst of all, each a ratio against the bare hand-offs
// of as many commands, measured now, with the goal beside them. The ratio and the goal take the
// worst unpreempted call; the worst of all is printed beside it.
void printCommandLatencies(
    const char *benchmark, const std::vector<TimedCommands> &conditions, double goalMs);

#endif
