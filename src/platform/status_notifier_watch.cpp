#include "platform/status_notifier_watch.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
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
    : QObject(parent)
    , m_bus(bus)
{
    if (!m_bus.isConnected()) {
        m_known = true;
        return;
    }
    auto *service = new QDBusServiceWatcher(
        WatcherService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(service, &QDBusServiceWatcher::serviceOwnerChanged, this,
        &StatusNotifierWatch::watcherOwnerChanged);
    // From any sender: naming the watcher's service would make the bus library look its owner
    // up with a blocking call, and a stray signal costs no more than one question.
    for (const char *signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        m_bus.connect(QString(), WatcherPath, WatcherInterface, QLatin1String(signal), this,
            SLOT(hostsChanged()));
    askWatcher();
}

void StatusNotifierWatch::watcherOwnerChanged(
    const QString &, const QString &, const QString &newOwner)
{
    // A watcher that is gone has no host, and asking it could only start it again.
    if (newOwner.isEmpty()) {
        ++m_lastQuestion;
        setPresence(true, false);
        return;
    }
    askWatcher();
}

void StatusNotifierWatch::hostsChanged()
{
    // One host leaving may leave another: the watcher knows whether any is left.
    askWatcher();
}

void StatusNotifierWatch::askWatcher()
{
    QDBusMessage get = QDBusMessage::createMethodCall(WatcherService, WatcherPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << WatcherInterface << QStringLiteral("IsStatusNotifierHostRegistered");
    get.setAutoStartService(false);
    const quint64 question = ++m_lastQuestion;
    auto *call = new QDBusPendingCallWatcher(m_bus.asyncCall(get, AnswerLimitMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
        [this, question](QDBusPendingCallWatcher *finished) { answered(finished, question); });
}

void StatusNotifierWatch::answered(QDBusPendingCallWatcher *call, quint64 question)
{
    call->deleteLater();
    // Only the answer to the latest question tells how things stand now.
    if (question != m_lastQuestion)
        return;
    const QDBusPendingReply<QDBusVariant> reply = *call;
    setPresence(true, reply.isValid() && reply.value().variant().toBool());
}

void StatusNotifierWatch::setPresence(bool known, bool hostRegistered)
{
    if (known == m_known && hostRegistered == m_hostRegistered)
        return;
    m_known = known;
    m_hostRegistered = hostRegistered;
    Q_EMIT presenceChanged(hostRegistered);
}
