#ifndef BRENLOWICK_FAKE_STATUS_NOTIFIER_WATCHER_H
#define BRENLOWICK_FAKE_STATUS_NOTIFIER_WATCHER_H

#include <QDBusConnection>
#include <QSemaphore>
#include <QStringList>

// The StatusNotifier watcher a desktop runs, on a connection of its own, which panels (hosts) and
// icons (items) register with. Driven from a thread of its own, it answers as another process
// would, or hangs as a stuck one does.
class FakeStatusNotifierWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered MEMBER m_host)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems MEMBER m_items)
public:
    void start()
    {
        m_bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "fake-watcher");
        m_bus.registerObject("/StatusNotifierWatcher", this,
            QDBusConnection::ExportAllProperties | QDBusConnection::ExportScriptableContents);
        m_bus.registerService(Service);
    }
    void stop()
    {
        if (m_bus.isConnected())
            m_bus.unregisterService(Service);
    }
    void setHost(bool registered)
    {
        m_host = registered;
        if (registered)
            Q_EMIT StatusNotifierHostRegistered();
        else
            Q_EMIT StatusNotifierHostUnregistered();
    }
    // Answers nothing until released.
    void hang() { m_release.acquire(); }
    void release() { m_release.release(); }

public Q_SLOTS:
    Q_SCRIPTABLE void RegisterStatusNotifierHost(const QString &) { setHost(true); }
    Q_SCRIPTABLE void RegisterStatusNotifierItem(const QString &item) { m_items << item; }

Q_SIGNALS:
    Q_SCRIPTABLE void StatusNotifierHostRegistered();
    Q_SCRIPTABLE void StatusNotifierHostUnregistered();

private:
    static constexpr const char *Service = "org.kde.StatusNotifierWatcher";
    QDBusConnection m_bus {QString()};
    QSemaphore m_release;
    QStringList m_items;
    bool m_host = false;
};

#endif
