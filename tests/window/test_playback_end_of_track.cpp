#include "playback_fixture.h"

#include <QTest>

// What the end of a song leads to, by the repeat and loop boxes.
class PlaybackEndOfTrackTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void songEnds_data();
    void songEnds();
    void haltKeepsEverythingButPause();
    void repeatTakesTheLoopBoxAway();
    void loopChangeCountsAtTheNextEnd();
    void listPlaysThroughAndWraps();
};

void PlaybackEndOfTrackTest::songEnds_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("playing");
    QTest::addColumn<bool>("repeat");
    QTest::addColumn<bool>("loop");
    QTest::addColumn<QList<int>>("started");
    QTest::addColumn<bool>("timerAfter");
    QTest::newRow("repeat restarts the song") << 5 << 2 << true << false << QList<int>{2} << true;
    QTest::newRow("repeat wins over loop") << 5 << 4 << true << true << QList<int>{4} << true;
    QTest::newRow("loop goes to the next") << 5 << 2 << false << true << QList<int>{3} << true;
    QTest::newRow("loop wraps after the last") << 5 << 4 << false << true << QList<int>{0} << true;
    QTest::newRow("loop on the only song restarts it")
        << 1 << 0 << false << true << QList<int>{0} << true;
    QTest::newRow("neither stops after the middle") << 5 << 2 << false << false << QList<int>{}
                                                    << false;
    QTest::newRow("neither stops after the last") << 5 << 4 << false << false << QList<int>{}
                                                  << false;
}

void PlaybackEndOfTrackTest::songEnds()
{
    QFETCH(int, count);
    QFETCH(int, playing);
    QFETCH(bool, repeat);
    QFETCH(bool, loop);
    QFETCH(QList<int>, started);
    QFETCH(bool, timerAfter);
    PlaybackWindow t;
    t.fillList(count);
    t.setLoop(loop);
    t.setRepeat(repeat);
    t.startSong(playing);

    t.fakes->player.finishSong();

    QCOMPARE(t.startedSongs(), started);
    QCOMPARE(t.window->CountTimer->isActive(), timerAfter);
    QCOMPARE(t.commandEnabled(1), timerAfter);
    if (!started.isEmpty()) {
        QCOMPARE(t.window->CurrentSong, started.first());
        QCOMPARE(t.window->SongList->ListIndex(), started.first());
        QCOMPARE(t.window->lblPivot->text(),
                 QStringLiteral("%1/%2").arg(started.first() + 1).arg(count));
    }
    if (loop && !repeat) {
        QVERIFY(t.commandEnabled(3));
        QVERIFY(t.commandEnabled(4));
    }
    QVERIFY(t.fakes->messageBox.shown.empty());
}

void PlaybackEndOfTrackTest::haltKeepsEverythingButPause()
{
    PlaybackWindow t;
    t.fillList(3);
    t.setLoop(false);
    t.startSong(1);
    t.fakes->player.position = 199.8;
    t.window->CountTimer_Timer();

    t.fakes->player.finishSong();

    QVERIFY(t.commandDisabled(1));
    QVERIFY(t.commandEnabled(0) && t.commandEnabled(2) && t.commandEnabled(3)
            && t.commandEnabled(4));
    QCOMPARE(t.window->lblCount->text(), QStringLiteral("00:03:20"));
    QCOMPARE(t.window->lblPivot->text(), QStringLiteral("2/3"));
    QCOMPARE(t.window->CurrentSong, 1);
    // Play then starts the same song again from where the player stands.
    t.window->cmdPlayPanel_Click(0);
    QCOMPARE(t.fakes->player.calls, QStringList({"Play"}));
}

void PlaybackEndOfTrackTest::repeatTakesTheLoopBoxAway()
{
    PlaybackWindow t;
    t.fillList(2);
    t.setLoop(false);
    QTest::mouseClick(t.window->chkPlayRepeat, Qt::LeftButton);
    QVERIFY(t.window->chkPlayRepeat->isChecked());
    QVERIFY(!t.window->chkPlayLoop->isEnabled());
    QVERIFY(!t.window->chkPlayLoop->isChecked());

    QTest::mouseClick(t.window->chkPlayRepeat, Qt::LeftButton);
    QVERIFY(t.window->chkPlayLoop->isEnabled());
    QVERIFY(!t.window->chkPlayLoop->isChecked());

    t.setLoop(true);
    t.setRepeat(true);
    t.window->chkPlayRepeat_Click();
    QVERIFY(!t.window->chkPlayLoop->isEnabled());
    QVERIFY(t.window->chkPlayLoop->isChecked());
    t.setRepeat(false);
    t.window->chkPlayRepeat_Click();
    QVERIFY(t.window->chkPlayLoop->isEnabled());
    QVERIFY(t.window->chkPlayLoop->isChecked());

    // A grey repeat box is not exactly on: the loop box stays usable.
    t.window->chkPlayRepeat->setTristate(true);
    t.window->chkPlayRepeat->setCheckState(Qt::PartiallyChecked);
    t.window->chkPlayRepeat_Click();
    QVERIFY(t.window->chkPlayLoop->isEnabled());
}

void PlaybackEndOfTrackTest::loopChangeCountsAtTheNextEnd()
{
    PlaybackWindow t;
    t.fillList(3);
    t.setLoop(false);
    t.startSong(2);
    QVERIFY(t.commandDisabled(4));
    t.setLoop(true);
    // The commands wait for the next start; the end of the song reads the box at once.
    QVERIFY(t.commandDisabled(4));
    t.fakes->player.finishSong();
    QCOMPARE(t.startedSongs(), QList<int>({0}));
    QVERIFY(t.commandEnabled(3));
    QVERIFY(t.commandEnabled(4));
}

void PlaybackEndOfTrackTest::listPlaysThroughAndWraps()
{
    PlaybackWindow t;
    t.fillList(3);
    t.setLoop(true);
    t.startSong(0);
    for (int end = 0; end < 4; ++end)
        t.fakes->player.finishSong();
    QCOMPARE(t.startedSongs(), QList<int>({1, 2, 0, 1}));
    QCOMPARE(t.window->lblTitle->text(), QStringLiteral("Title 2"));
    QCOMPARE(t.window->lblArtist->text(), QStringLiteral("Artist 2"));
}

QTEST_MAIN(PlaybackEndOfTrackTest)
#include "test_playback_end_of_track.moc"
