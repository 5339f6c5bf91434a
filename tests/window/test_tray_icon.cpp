// The tray icon's record, its add and delete, and the decoding of its mouse messages.
#include "app/app_error.h"
#include "app/main_window.h"
#include "fakes/fake_platform.h"
#include "window/tray_message.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

class TrayIconTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void messageFromX_data();
    void messageFromX();
    void messageFromXFailures_data();
    void messageFromXFailures();
    void startUpAddsTheIcon_data();
    void startUpAddsTheIcon();
    void endRemovesTheIconAfterSaving_data();
    void endRemovesTheIconAfterSaving();
    void mouseMessages_data();
    void mouseMessages();
    void clicksWorkAtEveryDensity_data();
    void clicksWorkAtEveryDensity();
    void mouseHandlerFailuresAreReported_data();
    void mouseHandlerFailuresAreReported();
};

void TrayIconTest::messageFromX_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("factor");
    QTest::addColumn<int>("expected");
    QTest::newRow("left press at 96 dpi") << 7695.0 << 15.0 << 0x201;
    QTest::newRow("right press at 96 dpi") << 7740.0 << 15.0 << 0x204;
    QTest::newRow("quotient truncated") << 7709.0 << 15.0 << 0x201;
    // Half to even: 7694.5 goes down to 7694, below the multiple 7695.
    QTest::newRow("x half rounds to even, down") << 7694.5 << 15.0 << 0x200;
    QTest::newRow("x half rounds to even, up") << 7709.5 << 15.0 << 0x202;
    QTest::newRow("factor rounded half to even") << 7182.0 << 14.5 << 0x201;
    QTest::newRow("factor rounded at 120 dpi") << 6156.0 << 12.0 << 0x201;
    QTest::newRow("factor rounded down") << 7695.0 << 15.4 << 0x201;
    QTest::newRow("negative truncates toward zero") << -20.0 << 15.0 << -1;
    QTest::newRow("zero") << 0.0 << 15.0 << 0;
}

void TrayIconTest::messageFromX()
{
    QFETCH(double, x);
    QFETCH(double, factor);
    QFETCH(int, expected);
    QCOMPARE(trayMessageFromX(x, factor), expected);
}

void TrayIconTest::messageFromXFailures_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("factor");
    QTest::addColumn<int>("number");
    QTest::newRow("x beyond 32 bits") << 3.0e9 << 15.0 << int(ErrNo::Overflow);
    QTest::newRow("x below 32 bits") << -3.0e9 << 15.0 << int(ErrNo::Overflow);
    QTest::newRow("x not a number") << std::nan("") << 15.0 << int(ErrNo::Overflow);
    QTest::newRow("factor rounds to zero") << 7695.0 << 0.4 << 11;
    QTest::newRow("smallest over minus one") << -2147483648.0 << -1.0 << int(ErrNo::Overflow);
}

void TrayIconTest::messageFromXFailures()
{
    QFETCH(double, x);
    QFETCH(double, factor);
    QFETCH(int, number);
    try {
        trayMessageFromX(x, factor);
        QFAIL("no error raised");
    } catch (const AppError &error) {
        QCOMPARE(error.number(), number);
    }
}

void TrayIconTest::startUpAddsTheIcon_data()
{
    QTest::addColumn<bool>("trayAccepts");
    QTest::newRow("tray takes the icon") << true;
    QTest::newRow("tray refuses the icon") << false;
}

void TrayIconTest::startUpAddsTheIcon()
{
    QFETCH(bool, trayAccepts);
    QTemporaryDir folder;
    FakePlatform fakes;
    fakes.process.folder = folder.path().toStdString();
    fakes.tray.available = trayAccepts;
    frmMain window(fakes.platform);
    QVERIFY(window.Form_Load());

    QCOMPARE(fakes.tray.messages, std::vector<int32_t>{TrayMessage::Add});
    const NotifyIconData &data = *fakes.tray.lastData;
    QCOMPARE(data.cbSize, 88u);
    QCOMPARE(data.hWnd, static_cast<quintptr>(window.winId()));
    QCOMPARE(data.uID, 1u);
    QCOMPARE(data.uFlags, 7u);
    QCOMPARE(data.uCallbackMessage, 0x200u);
    QVERIFY(!data.hIcon.isNull());
    QCOMPARE(data.hIcon.cacheKey(), window.windowIcon().cacheKey());
    QVERIFY(std::all_of(data.szTip.begin(), data.szTip.end(), [](char c) { return c == 0; }));
    // A refused icon is only remembered, never reported.
    QCOMPARE(window.ingAPIReVal, trayAccepts ? 1 : 0);
    QVERIFY(fakes.messageBox.shown.empty());
}

void TrayIconTest::endRemovesTheIconAfterSaving_data()
{
    QTest::addColumn<bool>("fromPopup");
    QTest::newRow("end button") << false;
    QTest::newRow("popup end item in tray mode") << true;
}

void TrayIconTest::endRemovesTheIconAfterSaving()
{
    QFETCH(bool, fromPopup);
    QTemporaryDir folder;
    FakePlatform fakes;
    fakes.process.folder = folder.path().toStdString();
    frmMain window(fakes.platform);
    QVERIFY(window.Form_Load());
    const NotifyIconData added = *fakes.tray.lastData;
    const QString ini = folder.filePath(QStringLiteral("Brenlowick.ini"));
    bool savedBeforeDelete = false;
    fakes.tray.onNotify = [&](int32_t message) {
        if (message == TrayMessage::Delete)
            savedBeforeDelete = QFile::exists(ini);
    };

    if (fromPopup) {
        int16_t cancel = 0;
        window.Form_QueryUnload(cancel, 0);
        window.mnuEnd->trigger();
    } else {
        window.cmdEnd->click();
    }

    QCOMPARE(fakes.tray.messages,
             (std::vector<int32_t>{TrayMessage::Add, TrayMessage::Delete}));
    QVERIFY(savedBeforeDelete);
    QVERIFY(!fakes.tray.iconShown);
    QCOMPARE(window.ingAPIReVal, 1);
    // The delete names the very icon the add created.
    QCOMPARE(fakes.tray.lastData->hWnd, added.hWnd);
    QCOMPARE(fakes.tray.lastData->uID, added.uID);
    QCOMPARE(fakes.process.endedWith, std::vector<int>{0});
}

void TrayIconTest::mouseMessages_data()
{
    QTest::addColumn<bool>("inTray");
    QTest::addColumn<int>("message");
    QTest::addColumn<bool>("shownAfter");
    QTest::addColumn<int>("popups");
    QTest::newRow("left press restores") << true << 0x201 << true << 0;
    QTest::newRow("left press while shown") << false << 0x201 << true << 0;
    QTest::newRow("right press opens the popup") << true << 0x204 << false << 1;
    QTest::newRow("right press while shown") << false << 0x204 << true << 0;
    QTest::newRow("pointer moving over the icon") << true << 0x200 << false << 0;
    QTest::newRow("left release") << true << 0x202 << false << 0;
    QTest::newRow("left double click") << true << 0x203 << false << 0;
    QTest::newRow("right release") << true << 0x205 << false << 0;
    QTest::newRow("right double click") << true << 0x206 << false << 0;
    QTest::newRow("middle press") << true << 0x207 << false << 0;
}

void TrayIconTest::mouseMessages()
{
    QFETCH(bool, inTray);
    QFETCH(int, message);
    QFETCH(bool, shownAfter);
    QFETCH(int, popups);
    FakePlatform fakes;
    frmMain window(fakes.platform);
    window.trayAdd();
    window.show();
    if (inTray) {
        int16_t cancel = 0;
        window.Form_QueryUnload(cancel, 0);
        QVERIFY(window.isHidden());
    }
    QMenu *popped = nullptr;
    fakes.tray.onPopup = [&](QMenu &menu) { popped = &menu; };

    fakes.tray.press(message);

    QCOMPARE(window.isVisible(), shownAfter);
    QCOMPARE(window.inTrayMode(), !shownAfter);
    QCOMPARE(fakes.tray.popups, popups);
    if (popups)
        QCOMPARE(popped, window.mnuPopup);
    QVERIFY(fakes.messageBox.shown.empty());
}

void TrayIconTest::clicksWorkAtEveryDensity_data()
{
    QTest::addColumn<double>("dotsPerInch");
    for (const double dpi : {84.0, 96.0, 100.0, 108.0, 110.0, 120.0, 124.0, 132.0, 144.0, 150.0,
                             168.0, 192.0, 216.0})
        QTest::addRow("%g dpi", dpi) << dpi;
}

void TrayIconTest::clicksWorkAtEveryDensity()
{
    // From the icon's activation through the callback's X to the handler's decoding, on a
    // screen whose twips per pixel are fractional at most densities.
    QFETCH(double, dotsPerInch);
    FakePlatform fakes;
    fakes.screen.dotsPerInch = dotsPerInch;
    frmMain window(fakes.platform);
    window.trayAdd();
    window.show();
    int16_t cancel = 0;
    window.Form_QueryUnload(cancel, 0);

    fakes.tray.activate(QSystemTrayIcon::Context);
    QCOMPARE(fakes.tray.popups, 1);
    fakes.tray.activate(QSystemTrayIcon::MiddleClick);
    fakes.tray.activate(QSystemTrayIcon::DoubleClick);
    QVERIFY(window.isHidden());
    fakes.tray.activate(QSystemTrayIcon::Trigger);
    QVERIFY(window.isVisible());
    QVERIFY(!window.inTrayMode());
    QCOMPARE(fakes.tray.popups, 1);
    QVERIFY(fakes.messageBox.shown.empty());
}

void TrayIconTest::mouseHandlerFailuresAreReported_data()
{
    QTest::addColumn<bool>("failInPopup");
    QTest::addColumn<int>("number");
    QTest::newRow("coordinate out of range") << false << int(ErrNo::Overflow);
    QTest::newRow("popup fails") << true << int(ErrNo::OutOfMemory);
}

void TrayIconTest::mouseHandlerFailuresAreReported()
{
    QFETCH(bool, failInPopup);
    QFETCH(int, number);
    FakePlatform fakes;
    frmMain window(fakes.platform);
    int16_t cancel = 0;
    window.Form_QueryUnload(cancel, 0);
    fakes.tray.onPopup = [](QMenu &) { raiseError(ErrNo::OutOfMemory); };

    if (failInPopup)
        fakes.tray.press(TrayMessage::RightButtonDown);
    else
        window.Form_MouseMove(0, 0, 4.0e9F, 0.0F);

    QCOMPARE(fakes.messageBox.shown.size(), size_t(1));
    const QString text = fakes.messageBox.shown.front().text;
    QVERIFY2(text.startsWith(QStringLiteral("エラーが発生しました。")), qPrintable(text));
    QVERIFY2(text.contains(QString::number(number)), qPrintable(text));
    QVERIFY(window.inTrayMode());
}

QTEST_MAIN(TrayIconTest)
#include "test_tray_icon.moc"
