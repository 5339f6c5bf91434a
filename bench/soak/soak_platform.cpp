#include "bench/soak/soak_platform.h"

#include <QEventLoop>
#include <QTimer>

void runEventLoopFor(int milliseconds)
{
    // A loop of its own rather than processEvents(): objects deleted later go only when a loop
    // returns to them, as they do under the program's exec().
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void SoakMessageBox::show(Icon icon, const QString &text)
{
    shown.push_back({icon, text});
    runEventLoopFor(std::uniform_int_distribution<int>(0, 20)(m_random));
}

int32_t SoakTray::notify(int32_t message, const NotifyIconData &)
{
    if (message == TrayMessage::Add)
        iconShown = true;
    else if (message == TrayMessage::Delete)
        iconShown = false;
    return 1;
}

void SoakTray::popupAtPointer(QMenu &menu)
{
    ++popups;
    if (pickItem)
        pickItem(menu);
}

SoakClock::SoakClock(uint64_t seed)
    : m_start(QDate(2024, 1, 1).addDays(static_cast<qint64>(seed % 3650)), QTime(0, 0))
{
    m_start = m_start.addSecs(static_cast<qint64>((seed >> 12) % 86400));
}

QDateTime SoakClock::localNow() const
{
    return m_start.addSecs(67LL * m_readings++);
}
