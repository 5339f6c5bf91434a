#include "platform/status_notifier_watch.h"

#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace {
const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString WatcherInterface = QStringLiteral("org.kde.StatusNotifierWatcher");
// A watcher that does not answer within this counts as none.
constexpr int AnswerLimitMs = 2000;
} // namespace

StatusNotifierWatch::StatusNotifierWatch(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    auto *service = new QDBusServiceWatcher(WatcherService, m_bus,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(service, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &StatusNotifierWatch::hostsChanged);
    for (const char *signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        m_bus.connect(WatcherService, WatcherPath, WatcherInterface, QLatin1String(signal), this,
                      SLOT(hostsChanged()));
    askWatcher();
}

void StatusNotifierWatch::askWatcher()
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        WatcherService, WatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << WatcherInterface << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage answer = m_bus.call(get, QDBus::Block, AnswerLimitMs);
    m_watcherRunning = answer.type() == QDBusMessage::ReplyMessage;
    m_hostRegistered = m_watcherRunning && !answer.arguments().isEmpty()
                       && answer.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

void StatusNotifierWatch::hostsChanged()
{
    // One host leaving may leave another: the watcher knows whether any is left.
    const bool before = m_hostRegistered;
    askWatcher();
    if (m_hostRegistered != before)
        Q_EMIT presenceChanged(m_hostRegistered);
}
