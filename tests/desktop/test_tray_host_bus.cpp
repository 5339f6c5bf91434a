// The tray adapter on a private session bus: a StatusNotifier watcher that hangs, comes and
// goes, and panels (hosts) that register with it and crash; and the popup, opened from the event
// loop while bus traffic goes on.
#include "fakes/fake_status_notifier_watcher.h"
#include "platform/qt_tray_icon.h"
#include "platform/status_notifier_watch.h"

#include <QApplication>
#include <QMenu>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <QtTest>

class TrayHostBusTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void panelsComeAndGo();
    void popupOpensFromTheEventLoop();
};

void TrayHostBusTest::panelsComeAndGo()
{
    QThread thread;
    FakeStatusNotifierWatcher watcher;
    watcher.moveToThread(&thread);
    thread.start();
    const auto stopThread = qScopeGuard([&thread] {
        thread.quit();
        thread.wait();
    });
    const auto onWatcher = [&watcher](auto step) {
        QMetaObject::invokeMethod(
            &watcher, [&] { step(watcher); }, Qt::BlockingQueuedConnection);
    };
    // A watcher stuck for a while freezes nothing: its answer is taken when it comes.
    onWatcher([](FakeStatusNotifierWatcher &fake) {
        fake.start();
        fake.setHost(true);
    });
    QMetaObject::invokeMethod(&watcher, &FakeStatusNotifierWatcher::hang, Qt::QueuedConnection);
    StatusNotifierWatch watch(QDBusConnection::sessionBus());
    QVERIFY(!watch.known());
    watcher.release();
    QTRY_VERIFY(watch.present());

    QtTrayIcon tray;
    QSignalSpy availability(&tray, &TrayIconService::availabilityChanged);
    tray.notify(TrayMessage::Add, NotifyIconData {});
    QTRY_VERIFY(tray.findChild<QSystemTrayIcon *>());
    QVERIFY(tray.isAvailable());
    // The panel crashes, the watcher stays; the panel starts again; the watcher itself goes.
    onWatcher([](FakeStatusNotifierWatcher &fake) { fake.setHost(false); });
    QTRY_VERIFY(!tray.isAvailable());
    onWatcher([](FakeStatusNotifierWatcher &fake) { fake.setHost(true); });
    QTRY_VERIFY(tray.isAvailable());
    onWatcher([](FakeStatusNotifierWatcher &fake) { fake.stop(); });
    QTRY_VERIFY(!watch.present());
    QTRY_VERIFY(!tray.isAvailable());
    QCOMPARE(availability.count(), 3);
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
