#ifndef BRENLOWICK_THREAD_WAKEUP_H
#define BRENLOWICK_THREAD_WAKEUP_H

#include <chrono>

// Where a thread sleeps until another thread has something for it: the one way the engine's
// threads wake each other. post() is one write
// to an eventfd, so the audio thread may call it: it neither locks nor allocates. A post made
// before the sleeper looks is not lost; several posts may wake it once.
class ThreadWakeup {
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
    // For a poll loop of someone else's (an event loop, a sound server's main loop): readable
    // while a post is pending; wait(0) takes it.
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

#endif
