#ifndef BRENLOWICK_FAKE_STATUS_NOTIFIER_WATCHER_H
#define BRENLOWICK_FAKE_STATUS_NOTIFIER_WATCHER_H

#include <QDBusConnection>
#include <QObject>
#include <QSemaphore>
#include <QStringList>

// The StatusNotifier watcher a desktop runs, on a connection of its own: panels (hosts) and
// icons (items) register with it. Its slots are meant for its own thread, so that it answers as
// another process would, or hangs as a stuck one does; RegisterStatusNotifierHost also serves a
// script playing a panel over the bus.
class FakeStatusNotifierWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    bool hostRegistered() const { return m_host; }
    QStringList items() const { return m_items; }
    int protocolVersion() const { return 0; }

public Q_SLOTS:
    void start();
    void stop();
    void setHost(bool registered);
    // Answers nothing until released, as a watcher stuck in a loop.
    void hang() { m_release.acquire(); }
    void release() { m_release.release(); }

    Q_SCRIPTABLE void RegisterStatusNotifierHost(const QString &service);
    Q_SCRIPTABLE void RegisterStatusNotifierItem(const QString &service);

Q_SIGNALS:
    Q_SCRIPTABLE void StatusNotifierHostRegistered();
    Q_SCRIPTABLE void StatusNotifierHostUnregistered();
    Q_SCRIPTABLE void StatusNotifierItemRegistered(const QString &service);

private:
    QDBusConnection m_bus {QString()};
    QSemaphore m_release;
    QStringList m_items;
    bool m_host = false;
};

#endif
