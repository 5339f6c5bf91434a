#include "engine/cross_thread_signal.h"

#include "engine/thread_wakeup.h"

#include <QSocketNotifier>

CrossThreadSignal::CrossThreadSignal(ThreadWakeup &wakeup, QObject *parent)
    : QObject(parent)
    , m_wakeup(wakeup)
{
    m_notifier
        = new QSocketNotifier(static_cast<qintptr>(m_wakeup.fd()), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &CrossThreadSignal::drain);
}

CrossThreadSignal::~CrossThreadSignal()
{
    delete m_notifier;
}

void CrossThreadSignal::drain()
{
    if (m_wakeup.wait(std::chrono::milliseconds(0)))
        Q_EMIT posted();
}
