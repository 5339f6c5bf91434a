#include "playback_fixture.h"

#include <QTest>

// The five transport commands from the buttons and from the tray menu.
class TransportCommandsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void trayCommandsBeforeAnyList();
    void pauseThenPlayResumes();
    void stopThenPlayStartsOver();
    void previousAndNext_data();
    void previousAndNext();
    void nextOnLastWithLoopOffOnlyWraps();
    void menuCommandsRunTheButtonHandler_data();
    void menuCommandsRunTheButtonHandler();
    void otherIndexesDoNothing();
    void failureEndsTheCommand_data();
    void failureEndsTheCommand();
};

void TransportCommandsTest::trayCommandsBeforeAnyList()
{
    PlaybackWindow t;
    for (int index = 0; index < 5; ++index) {
        QVERIFY(!t.window->cmdPlayPanel[index]->isEnabled());
        QVERIFY(t.window->mnuPlayControl[index]->isEnabled());
    }
    // Previous and next have nothing to move to; neither reports an error.
    t.window->mnuPlayControl[3]->trigger();
    t.window->mnuPlayControl[4]->trigger();
    t.setLoop(false);
    t.window->mnuPlayControl[3]->trigger();
    t.window->mnuPlayControl[4]->trigger();
    QVERIFY(t.fakes->messageBox.shown.empty());
    QVERIFY(t.fakes->player.calls.isEmpty());
    QCOMPARE(t.window->lblPivot->text(), QStringLiteral("----/----"));
}

void TransportCommandsTest::pauseThenPlayResumes()
{
    PlaybackWindow t;
    t.fillList(3);
    t.startSong(1);
    t.fakes->player.position = 42.0;

    QTest::mouseClick(t.window->cmdPlayPanel[1], Qt::LeftButton);
    QCOMPARE(t.fakes->player.calls, QStringList({"Pause"}));
    QVERIFY(!t.window->CountTimer->isActive());
    QVERIFY(t.commandEnabled(1));

    QTest::mouseClick(t.window->cmdPlayPanel[0], Qt::LeftButton);
    QCOMPARE(t.fakes->player.calls, QStringList({"Pause", "Play"}));
    QCOMPARE(t.fakes->player.position, 42.0);
    QVERIFY(t.window->CountTimer->isActive());
    QCOMPARE(t.window->CurrentSong, 1);
    t.window->CountTimer_Timer();
    QCOMPARE(t.window->lblCount->text(), QStringLiteral("00:00:42"));
}

void TransportCommandsTest::stopThenPlayStartsOver()
{
    PlaybackWindow t;
    t.fillList(3);
    t.startSong(1);
    t.fakes->player.position = 75.0;
    t.window->CountTimer_Timer();

    t.window->cmdPlayPanel_Click(2);
    QCOMPARE(t.fakes->player.calls, QStringList({"Stop", "SetPosition:0"}));
    QVERIFY(!t.window->CountTimer->isActive());
    QVERIFY(t.commandDisabled(1));
    QCOMPARE(t.window->Slider->value(), 0);
    QCOMPARE(t.window->lblCount->text(), QStringLiteral("00:01:15"));
    // Play, stop, previous and next are not touched by stop.
    QVERIFY(t.commandEnabled(0) && t.commandEnabled(2) && t.commandEnabled(3)
            && t.commandEnabled(4));

    t.window->cmdPlayPanel_Click(0);
    QVERIFY(t.commandEnabled(1));
    QVERIFY(t.window->CountTimer->isActive());
    QCOMPARE(t.window->lblCount->text(), QStringLiteral("00:01:15"));
    t.window->CountTimer_Timer();
    QCOMPARE(t.window->lblCount->text(), QStringLiteral("00:00:00"));
    QCOMPARE(t.startedSongs(), QList<int>());
}

void TransportCommandsTest::previousAndNext_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("loop");
    QTest::addColumn<int>("command");
    QTest::addColumn<QList<int>>("started");
    QTest::addColumn<int>("currentAfter");
    QTest::newRow("next from the middle") << 5 << 2 << false << 4 << QList<int>{3} << 3;
    QTest::newRow("previous from the middle") << 5 << 2 << false << 3 << QList<int>{1} << 1;
    QTest::newRow("previous on the first, loop on") << 5 << 0 << true << 3 << QList<int>{4} << 4;
    QTest::newRow("previous on the first, loop off") << 5 << 0 << false << 3 << QList<int>{} << 0;
    QTest::newRow("next on the last, loop on") << 5 << 4 << true << 4 << QList<int>{0} << 0;
    QTest::newRow("next on the only song, loop on") << 1 << 0 << true << 4 << QList<int>{0} << 0;
    QTest::newRow("previous on the only song, loop on") << 1 << 0 << true << 3 << QList<int>{0} << 0;
}

void TransportCommandsTest::previousAndNext()
{
    QFETCH(int, count);
    QFETCH(int, from);
    QFETCH(bool, loop);
    QFETCH(int, command);
    QFETCH(QList<int>, started);
    QFETCH(int, currentAfter);
    PlaybackWindow t;
    t.fillList(count);
    t.setLoop(loop);
    t.startSong(from);

    t.window->cmdPlayPanel_Click(static_cast<int16_t>(command));

    QCOMPARE(t.startedSongs(), started);
    QCOMPARE(t.window->CurrentSong, currentAfter);
    QCOMPARE(t.window->SongList->ListIndex(), currentAfter);
    QVERIFY(t.fakes->messageBox.shown.empty());
}

void TransportCommandsTest::nextOnLastWithLoopOffOnlyWraps()
{
    PlaybackWindow t;
    t.fillList(4);
    t.setLoop(true);
    t.startSong(3);
    t.setLoop(false);

    t.window->cmdPlayPanel_Click(4);
    QCOMPARE(t.window->CurrentSong, 0);
    QVERIFY(t.fakes->player.calls.isEmpty());
    QVERIFY(t.fakes->player.playing);
    QCOMPARE(t.window->SongList->ListIndex(), 3);
    QCOMPARE(t.window->lblPivot->text(), QStringLiteral("4/4"));
    QCOMPARE(t.window->lblTitle->text(), QStringLiteral("Title 4"));

    // The current index now says "first": previous with loop off stays put...
    t.window->cmdPlayPanel_Click(3);
    QVERIFY(t.fakes->player.calls.isEmpty());
    // ...and with loop on goes to the last song, which is the one already selected.
    t.setLoop(true);
    t.window->cmdPlayPanel_Click(3);
    QCOMPARE(t.startedSongs(), QList<int>({3}));
    QCOMPARE(t.window->CurrentSong, 3);
}

void TransportCommandsTest::menuCommandsRunTheButtonHandler_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("play") << 0 << QStringList{"Play"};
    QTest::newRow("pause") << 1 << QStringList{"Pause"};
    QTest::newRow("stop") << 2 << QStringList{"Stop", "SetPosition:0"};
    QTest::newRow("previous")
        << 3 << QStringList{"FileName:/music/album/song1.mp3", "Play"};
    QTest::newRow("next") << 4 << QStringList{"FileName:/music/album/song3.mp3", "Play"};
}

void TransportCommandsTest::menuCommandsRunTheButtonHandler()
{
    QFETCH(int, index);
    QFETCH(QStringList, calls);
    PlaybackWindow t;
    t.fillList(3);
    t.startSong(1);
    t.window->mnuPlayControl[index]->trigger();
    QCOMPARE(t.fakes->player.calls, calls);
    // Button and menu command of one index move together.
    for (int command = 0; command < 5; ++command)
        QCOMPARE(t.window->cmdPlayPanel[command]->isEnabled(),
                 t.window->mnuPlayControl[command]->isEnabled());
}

void TransportCommandsTest::otherIndexesDoNothing()
{
    PlaybackWindow t;
    t.fillList(3);
    t.startSong(1);
    for (int16_t index : {int16_t(-1), int16_t(5), int16_t(32767)}) {
        t.window->cmdPlayPanel_Click(index);
        t.window->mnuPlayControl_Click(index);
    }
    QVERIFY(t.fakes->player.calls.isEmpty());
    QVERIFY(t.window->CountTimer->isActive());
    QVERIFY(t.fakes->messageBox.shown.empty());
}

void TransportCommandsTest::failureEndsTheCommand_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("failingCall");
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("timerAfter");
    QTest::addColumn<bool>("pauseAfter");
    QTest::newRow("play without a device") << 0 << "Play" << ErrNo::E_FAIL_CODE << false << false;
    QTest::newRow("pause fails") << 1 << "Pause" << ErrNo::DeviceUnavailable << true << true;
    QTest::newRow("stop fails") << 2 << "Stop" << ErrNo::E_FAIL_CODE << true << true;
    QTest::newRow("rewind fails after stop") << 2 << "SetPosition" << ErrNo::InvalidArgument
                                             << true << true;
}

void TransportCommandsTest::failureEndsTheCommand()
{
    QFETCH(int, index);
    QFETCH(QString, failingCall);
    QFETCH(int, number);
    QFETCH(bool, timerAfter);
    QFETCH(bool, pauseAfter);
    PlaybackWindow t;
    t.fillList(3);
    t.startSong(1);
    t.window->Slider->setValue(50);
    if (index == 0) {
        t.window->cmdPlayPanel_Click(2);
        t.window->Slider->setValue(50);
    }
    t.fakes->player.failNext[failingCall] = number;

    t.window->cmdPlayPanel_Click(static_cast<int16_t>(index));

    QCOMPARE(t.shownTexts(), QStringList({expectedReport(Heading::Playback, number)}));
    QCOMPARE(t.window->CountTimer->isActive(), timerAfter);
    QCOMPARE(t.commandEnabled(1), pauseAfter);
    QCOMPARE(t.window->Slider->value(), 50);
}

QTEST_MAIN(TransportCommandsTest)
#include "test_transport_commands.moc"
