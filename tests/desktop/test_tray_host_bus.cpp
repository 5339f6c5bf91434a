// The tray adapter on a private session bus: a StatusNotifier watcher that comes and goes, hangs,
// and panels (hosts) that register with it late or crash; and the popup, opened from the event
// loop while bus traffic goes on.
#include "fakes/fake_status_notifier_watcher.h"
#include "platform/qt_tray_icon.h"
#include "platform/status_notifier_watch.h"

#include <QApplication>
#include <QDBusConnection>
#include <QMenu>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <QtTest>

class TrayHostBusTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void panelsComeAndGo();
    void panelStartedLateGetsTheIcon();
    void hungWatcherFreezesNothing();
    void popupOpensFromTheEventLoop();

private:
    void onWatcher(void (FakeStatusNotifierWatcher::*step)())
    {
        QMetaObject::invokeMethod(m_watcher, step, Qt::BlockingQueuedConnection);
    }
    void setHost(bool registered)
    {
        QMetaObject::invokeMethod(
            m_watcher, [this, registered] { m_watcher->setHost(registered); },
            Qt::BlockingQueuedConnection);
    }

    QThread m_thread;
    FakeStatusNotifierWatcher *m_watcher = nullptr;
};

void TrayHostBusTest::init()
{
    m_watcher = new FakeStatusNotifierWatcher;
    m_watcher->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_watcher, &QObject::deleteLater);
    m_thread.start();
}

void TrayHostBusTest::cleanup()
{
    m_watcher->release();
    onWatcher(&FakeStatusNotifierWatcher::stop);
    m_thread.quit();
    m_thread.wait();
}

void TrayHostBusTest::panelsComeAndGo()
{
    StatusNotifierWatch watch(QDBusConnection::sessionBus());
    QTRY_VERIFY(watch.known());
    QVERIFY(!watch.present());
    // A watcher alone shows nothing: its host is the panel.
    onWatcher(&FakeStatusNotifierWatcher::start);
    QTRY_VERIFY(watch.known());
    setHost(true);
    QTRY_VERIFY(watch.present());

    QtTrayIcon tray;
    QSignalSpy availability(&tray, &TrayIconService::availabilityChanged);
    tray.notify(TrayMessage::Add, NotifyIconData {});
    QTRY_VERIFY(tray.findChild<QSystemTrayIcon *>());
    QVERIFY(tray.isAvailable());
    // The panel crashes, the watcher stays; the panel starts again.
    setHost(false);
    QTRY_VERIFY(!tray.isAvailable());
    setHost(true);
    QTRY_VERIFY(tray.isAvailable());
    // The watcher itself goes.
    onWatcher(&FakeStatusNotifierWatcher::stop);
    QTRY_VERIFY(!watch.present());
    QTRY_VERIFY(!tray.isAvailable());
    QCOMPARE(availability.count(), 3);
}

void TrayHostBusTest::panelStartedLateGetsTheIcon()
{
    // A watcher without a host, and no X tray: the toolkit would give an icon made now to the X
    // tray for the whole run, so none is made until a panel registers, seconds later.
    onWatcher(&FakeStatusNotifierWatcher::start);
    QtTrayIcon tray;
    tray.notify(TrayMessage::Add, NotifyIconData {});
    QTRY_VERIFY(!tray.isAvailable());
    QVERIFY(!tray.findChild<QSystemTrayIcon *>());
    setHost(true);
    QTRY_VERIFY(tray.isAvailable());
    const QSystemTrayIcon *icon = tray.findChild<QSystemTrayIcon *>();
    QVERIFY(icon && icon->isVisible());
}

void TrayHostBusTest::hungWatcherFreezesNothing()
{
    onWatcher(&FakeStatusNotifierWatcher::start);
    setHost(true);
    QMetaObject::invokeMethod(m_watcher, "hang", Qt::QueuedConnection);
    StatusNotifierWatch watch(QDBusConnection::sessionBus());
    QVERIFY(!watch.known());
    // The watcher answers once it is itself again.
    m_watcher->release();
    QTRY_VERIFY(watch.present());
}

void TrayHostBusTest::popupOpensFromTheEventLoop()
{
    QtTrayIcon tray;
    QMenu menu;
    menu.addAction(QStringLiteral("item"));
    QSignalSpy opened(&menu, &QMenu::aboutToShow);
    // As on X, a window hidden a moment ago keeps the focus a while (offscreen, for good).
    QWidget hidden;
    hidden.show();
    hidden.activateWindow();
    QTRY_COMPARE(QGuiApplication::focusWindow(), hidden.windowHandle());
    hidden.hide();
    // Bus traffic while the press is handled, a second press among it. Once anything ran inside
    // the handler, popups are closed, so that a wait inside it ends.
    bool inHandler = false;
    int ranInHandler = 0;
    QTimer bus;
    connect(&bus, &QTimer::timeout, &tray, [&] {
        if (inHandler && ranInHandler++ == 0)
            QMetaObject::invokeMethod(
                &tray, [&] { tray.popupAtPointer(menu); }, Qt::QueuedConnection);
        if (QWidget *popup = QApplication::activePopupWidget(); popup && ranInHandler)
            popup->close();
    });
    bus.start(10);

    inHandler = true;
    tray.popupAtPointer(menu);
    inHandler = false;
    tray.popupAtPointer(menu);

    QCOMPARE(ranInHandler, 0);
    QTRY_VERIFY(menu.isVisible());
    tray.popupAtPointer(menu);
    QCOMPARE(opened.count(), 1);
}

QTEST_MAIN(TrayHostBusTest)
#include "test_tray_host_bus.moc"
