#include "engine/thread_wakeup.h"

#include "app/app_error.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

ThreadWakeup::ThreadWakeup()
{
    m_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_fd < 0)
        raiseFromErrno(errno, QStringLiteral("eventfd"));
}

ThreadWakeup::~ThreadWakeup()
{
    ::close(m_fd);
}

void ThreadWakeup::post() noexcept
{
    const uint64_t one = 1;
    // Only fails when the counter would overflow, and then the sleeper is woken anyway.
    [[maybe_unused]] const ssize_t written = ::write(m_fd, &one, sizeof one);
}

bool ThreadWakeup::wait(std::chrono::milliseconds timeout) noexcept
{
    pollfd watched {m_fd, POLLIN, 0};
    const int timeoutMs = timeout.count() < 0 ? -1 : static_cast<int>(timeout.count());
    const int ready = ::poll(&watched, 1, timeoutMs);
    if (ready == 0)
        return false;
    // Interrupted counts as woken: the caller looks at its work again either way.
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t got = ::read(m_fd, &count, sizeof count);
    return true;
}
