// Tray mode: entering it by the close box and at start-up, leaving it, and the popup's items
// while the window is hidden.
#include "about/about_box.h"
#include "app/main_window.h"
#include "fakes/fake_platform.h"
#include "songlist/song_list_view.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void closeByUser(frmMain &window)
{
    int16_t cancel = 0;
    window.Form_QueryUnload(cancel, 0);
    QCOMPARE(cancel, int16_t(1));
}

// Three songs in the list, the first one playing, as the get-files command leaves them.
void listThreeSongs(frmMain &window)
{
    for (const char *name : {"a.mp3", "b.mp3", "c.mp3"}) {
        window.SongList->AddItem(QString::fromLatin1(name));
        window.SongPaths.push_back(std::filesystem::path("/music") / name);
    }
    window.SongList->setEnabled(true);
    window.SongList->setListIndex(0);
}

void writeSettings(const QTemporaryDir &folder, const QByteArray &attributes)
{
    QFile ini(folder.filePath(QStringLiteral("Brenlowick.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[ATTRIBUTE]\r\n" + attributes);
}

} // namespace

class TrayModeTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void closeBoxHidesAndKeepsPlaying();
    void restoreLeavesTrayMode_data();
    void restoreLeavesTrayMode();
    void nextSongFromThePopupKeepsTheWindowHidden();
    void aboutFromThePopupWhileHidden();
    void startMinimisedHasThePopupBeforeTheIcon();
    void withoutATrayTheWindowIsMinimised_data();
    void withoutATrayTheWindowIsMinimised();
    void trayGoingAwayBringsTheWindowBack_data();
    void trayGoingAwayBringsTheWindowBack();
};

void TrayModeTest::closeBoxHidesAndKeepsPlaying()
{
    QTemporaryDir folder;
    FakePlatform fakes;
    fakes.process.folder = folder.path().toStdString();
    frmMain window(fakes.platform);
    QVERIFY(window.Form_Load());
    window.show();
    listThreeSongs(window);
    QVERIFY(fakes.player.playing);
    const QStringList callsBefore = fakes.player.calls;

    closeByUser(window);

    QVERIFY(window.isHidden());
    QVERIFY(window.inTrayMode());
    QVERIFY(fakes.player.playing);
    QCOMPARE(fakes.player.calls, callsBefore);
    QVERIFY(fakes.tray.iconShown);
    QCOMPARE(fakes.tray.messages, std::vector<int32_t>{TrayMessage::Add});
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("Brenlowick.ini"))));
    QVERIFY(fakes.process.endedWith.empty());
}

void TrayModeTest::restoreLeavesTrayMode_data()
{
    QTest::addColumn<bool>("byMenu");
    QTest::addColumn<bool>("userMinimised");
    QTest::newRow("left press on the icon") << false << false;
    QTest::newRow("popup item 元に戻す") << true << false;
    QTest::newRow("left press on a minimised window") << false << true;
}

void TrayModeTest::restoreLeavesTrayMode()
{
    QFETCH(bool, byMenu);
    QFETCH(bool, userMinimised);
    FakePlatform fakes;
    frmMain window(fakes.platform);
    window.trayAdd();
    window.show();
    if (userMinimised) {
        window.showMinimized();
        QVERIFY(window.isMinimized());
    } else {
        closeByUser(window);
    }

    if (byMenu)
        window.mnuDisplay->trigger();
    else
        fakes.tray.press(TrayMessage::LeftButtonDown);

    QVERIFY(window.isVisible());
    QVERIFY(!window.isMinimized());
    QVERIFY(!window.inTrayMode());
    // Back in window mode the icon's right button offers nothing.
    fakes.tray.press(TrayMessage::RightButtonDown);
    QCOMPARE(fakes.tray.popups, 0);
}

void TrayModeTest::nextSongFromThePopupKeepsTheWindowHidden()
{
    FakePlatform fakes;
    frmMain window(fakes.platform);
    window.trayAdd();
    window.show();
    listThreeSongs(window);
    closeByUser(window);
    // The item is chosen while the popup is open, as the user does.
    fakes.tray.onPopup = [&](QMenu &menu) {
        QCOMPARE(&menu, window.mnuPopup);
        window.mnuPlayControl[4]->trigger();
    };

    fakes.tray.press(TrayMessage::RightButtonDown);

    QCOMPARE(fakes.tray.popups, 1);
    QCOMPARE(window.CurrentSong, 1);
    QCOMPARE(window.SongList->ListIndex(), 1);
    QVERIFY(fakes.player.calls.contains(QStringLiteral("FileName:/music/b.mp3")));
    QCOMPARE(fakes.player.calls.last(), QStringLiteral("Play"));
    QVERIFY(window.isHidden());
    QVERIFY(window.inTrayMode());
    QVERIFY(fakes.messageBox.shown.empty());
}

void TrayModeTest::aboutFromThePopupWhileHidden()
{
    FakePlatform fakes;
    frmMain window(fakes.platform);
    window.trayAdd();
    window.show();
    closeByUser(window);
    fakes.tray.onPopup = [&](QMenu &) { window.mnuAbout->trigger(); };

    fakes.tray.press(TrayMessage::RightButtonDown);

    QVERIFY(window.about());
    QVERIFY(window.about()->isVisible());
    QVERIFY(window.isHidden());
    QVERIFY(window.inTrayMode());
}

void TrayModeTest::startMinimisedHasThePopupBeforeTheIcon()
{
    QTemporaryDir folder;
    writeSettings(folder, "MINIMUM=1\r\n");
    FakePlatform fakes;
    fakes.process.folder = folder.path().toStdString();
    frmMain window(fakes.platform);
    bool hiddenAtAdd = false;
    bool popupAtAdd = false;
    fakes.tray.onNotify = [&](int32_t message) {
        if (message == TrayMessage::Add) {
            hiddenAtAdd = window.isHidden();
            popupAtAdd = window.inTrayMode();
        }
    };

    QVERIFY(window.Form_Load());

    QVERIFY(window.chkMinimum->isChecked());
    QVERIFY(hiddenAtAdd);
    QVERIFY(popupAtAdd);
    QCOMPARE(fakes.tray.messages, std::vector<int32_t>{TrayMessage::Add});
    QVERIFY(window.isHidden());
    fakes.tray.press(TrayMessage::RightButtonDown);
    QCOMPARE(fakes.tray.popups, 1);
}

void TrayModeTest::withoutATrayTheWindowIsMinimised_data()
{
    QTest::addColumn<bool>("atStartUp");
    QTest::newRow("close box") << false;
    QTest::newRow("start minimised") << true;
}

void TrayModeTest::withoutATrayTheWindowIsMinimised()
{
    QFETCH(bool, atStartUp);
    QTemporaryDir folder;
    if (atStartUp)
        writeSettings(folder, "MINIMUM=1\r\n");
    FakePlatform fakes;
    fakes.tray.available = false;
    fakes.process.folder = folder.path().toStdString();
    frmMain window(fakes.platform);
    QVERIFY(window.Form_Load());
    // What the program does after start-up: show the window unless it went to the tray.
    if (!window.inTrayMode())
        window.show();
    if (!atStartUp)
        closeByUser(window);

    // Hidden with no icon to bring it back, it could only be killed; minimised it stays
    // reachable from the task bar.
    QVERIFY(window.isVisible());
    QVERIFY(window.isMinimized());
    QVERIFY(!window.inTrayMode());
    QVERIFY(fakes.process.endedWith.empty());
}

void TrayModeTest::trayGoingAwayBringsTheWindowBack_data()
{
    QTest::addColumn<bool>("hidden");
    QTest::newRow("window in the tray") << true;
    QTest::newRow("window shown") << false;
}

void TrayModeTest::trayGoingAwayBringsTheWindowBack()
{
    QFETCH(bool, hidden);
    FakePlatform fakes;
    frmMain window(fakes.platform);
    window.trayAdd();
    window.show();
    if (hidden)
        closeByUser(window);

    fakes.tray.setAvailable(false);

    // Hidden, it would be stranded with no icon to bring it back: minimised, the task bar has
    // it. A shown window is left as it is.
    QVERIFY(window.isVisible());
    QCOMPARE(window.isMinimized(), hidden);
    QVERIFY(!window.inTrayMode());
    // The panel starts again: the window stays where it is, and the close box uses the tray.
    fakes.tray.setAvailable(true);
    QCOMPARE(window.isMinimized(), hidden);
    window.leaveTrayMode();
    closeByUser(window);
    QVERIFY(window.isHidden());
    QVERIFY(window.inTrayMode());
    QCOMPARE(fakes.tray.messages, std::vector<int32_t>{TrayMessage::Add});
    QVERIFY(fakes.messageBox.shown.empty());
}

QTEST_MAIN(TrayModeTest)
#include "test_tray_mode.moc"
