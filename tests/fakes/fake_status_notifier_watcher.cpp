#include "fakes/fake_status_notifier_watcher.h"

void FakeStatusNotifierWatcher::start()
{
    m_bus = QDBusConnection::connectToBus(
        QDBusConnection::SessionBus, QStringLiteral("fake-status-notifier-watcher"));
    m_bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
        QDBusConnection::ExportAllProperties | QDBusConnection::ExportScriptableSlots
            | QDBusConnection::ExportScriptableSignals);
    m_bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

void FakeStatusNotifierWatcher::stop()
{
    if (m_bus.isConnected())
        m_bus.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

void FakeStatusNotifierWatcher::setHost(bool registered)
{
    m_host = registered;
    if (registered)
        Q_EMIT StatusNotifierHostRegistered();
    else
        Q_EMIT StatusNotifierHostUnregistered();
}

void FakeStatusNotifierWatcher::RegisterStatusNotifierHost(const QString &)
{
    setHost(true);
}

void FakeStatusNotifierWatcher::RegisterStatusNotifierItem(const QString &service)
{
    m_items << service;
    Q_EMIT StatusNotifierItemRegistered(service);
}
