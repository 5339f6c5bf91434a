#include "engine/cross_thread_signal.h"

#include "app/app_error.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

CrossThreadSignal::CrossThreadSignal(QObject *parent) : QObject(parent)
{
    m_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_fd < 0)
        raiseFromErrno(errno, QStringLiteral("eventfd"));
    m_notifier = new QSocketNotifier(static_cast<qintptr>(m_fd), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CrossThreadSignal::drain);
}

CrossThreadSignal::~CrossThreadSignal()
{
    delete m_notifier;
    ::close(m_fd);
}

void CrossThreadSignal::post() noexcept
{
    const uint64_t one = 1;
    // Only fails when the counter would overflow, and then the owner is woken anyway.
    [[maybe_unused]] const ssize_t written = ::write(m_fd, &one, sizeof one);
}

void CrossThreadSignal::drain()
{
    uint64_t count = 0;
    if (::read(m_fd, &count, sizeof count) == static_cast<ssize_t>(sizeof count))
        Q_EMIT posted();
}
