// The StatusNotifier tray on a private session bus: a watcher that comes and goes, and panels
// (hosts) that register with it and crash, as the tray adapter must follow them.
#include "platform/qt_tray_icon.h"
#include "platform/status_notifier_watch.h"

#include <QDBusConnection>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

namespace {

const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

// The watcher a desktop runs. It answers on a thread of its own, as another process would,
// because the adapter asks it with blocking calls.
class FakeWatcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
public:
    bool hostRegistered() const { return m_host; }

public Q_SLOTS:
    void start()
    {
        m_bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                              QStringLiteral("fake-watcher"));
        m_bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                             QDBusConnection::ExportAllProperties
                                 | QDBusConnection::ExportAllSignals);
        m_bus.registerService(WatcherService);
    }
    void stop() { m_bus.unregisterService(WatcherService); }
    void setHost(bool registered)
    {
        m_host = registered;
        if (registered)
            Q_EMIT StatusNotifierHostRegistered();
        else
            Q_EMIT StatusNotifierHostUnregistered();
    }

Q_SIGNALS:
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();

private:
    QDBusConnection m_bus{QString()};
    bool m_host = false;
};

} // namespace

class TrayHostBusTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void panelsComeAndGo();

private:
    void onWatcherThread(const char *slot)
    {
        QMetaObject::invokeMethod(m_watcher, slot, Qt::BlockingQueuedConnection);
    }
    void setHost(bool registered)
    {
        QMetaObject::invokeMethod(m_watcher, "setHost", Qt::BlockingQueuedConnection,
                                  Q_ARG(bool, registered));
    }

    FakeWatcher *m_watcher = nullptr;
};

void TrayHostBusTest::panelsComeAndGo()
{
    QThread thread;
    FakeWatcher watcher;
    watcher.moveToThread(&thread);
    m_watcher = &watcher;
    thread.start();
    StatusNotifierWatch watch(QDBusConnection::sessionBus());
    QSignalSpy changes(&watch, &StatusNotifierWatch::presenceChanged);
    QVERIFY(!watch.watcherRunning());
    QVERIFY(!watch.present());

    // A watcher alone shows nothing: its host is the panel.
    onWatcherThread("start");
    QTRY_VERIFY(watch.watcherRunning());
    QVERIFY(!watch.present());
    setHost(true);
    QTRY_VERIFY(watch.present());

    // With a watcher running the toolkit shows its icon on the bus, so that is the adapter's tray.
    QtTrayIcon tray;
    QSignalSpy availability(&tray, &TrayIconService::availabilityChanged);
    QVERIFY(tray.isAvailable());
    // The panel crashes, the watcher stays; the panel starts again.
    setHost(false);
    QTRY_VERIFY(!watch.present());
    QTRY_COMPARE(availability.count(), 1);
    QVERIFY(!tray.isAvailable());
    QVERIFY(watch.watcherRunning());
    setHost(true);
    QTRY_VERIFY(tray.isAvailable());
    // The watcher itself goes.
    onWatcherThread("stop");
    QTRY_VERIFY(!watch.watcherRunning());
    QVERIFY(!watch.present());
    QCOMPARE(changes.count(), 4);
    QTRY_COMPARE(availability.count(), 3);
    QVERIFY(!tray.isAvailable());
    thread.quit();
    thread.wait();
}

QTEST_MAIN(TrayHostBusTest)
#include "test_tray_host_bus.moc"
