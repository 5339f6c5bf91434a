#ifndef BRENLOWICK_THREAD_WAKEUP_H
#define BRENLOWICK_THREAD_WAKEUP_H

#include <chrono>

// Where a worker thread sleeps until another thread has something for it. post() is one write
// to an eventfd, so the audio thread may call it: it neither locks nor allocates. A post made
// before the sleeper looks is not lost; several posts may wake it once.
class ThreadWakeup
{
public:
    // Throws AppError when the system has no eventfd to give.
    ThreadWakeup();
    ~ThreadWakeup();
    ThreadWakeup(const ThreadWakeup &) = delete;
    ThreadWakeup &operator=(const ThreadWakeup &) = delete;

    // Any thread; async-signal-safe.
    void post() noexcept;
    // Sleeps until a post, or until `timeout` has passed (never, when negative). Returns false
    // only when the time ran out with no post.
    bool wait(std::chrono::milliseconds timeout = std::chrono::milliseconds(-1)) noexcept;

private:
    int m_fd = -1;
};

#endif
