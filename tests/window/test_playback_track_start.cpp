#include "playback_fixture.h"

#include <QFontMetrics>
#include <QTest>

namespace {

// Whether the label draws exactly what a label that knows no markup draws for its text.
bool drawsLiterally(QLabel *label)
{
    QLabel literal;
    literal.setTextFormat(Qt::PlainText);
    literal.setText(label->text());
    literal.setFont(label->font());
    literal.setPalette(label->palette());
    literal.setAutoFillBackground(label->autoFillBackground());
    literal.setAlignment(label->alignment());
    literal.resize(label->size());
    return label->grab().toImage() == literal.grab().toImage();
}

} // namespace

// Selecting a list entry: the commands it sets, the player calls it makes and the display.
class PlaybackTrackStartTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void selectionSetsCommands_data();
    void selectionSetsCommands();
    void startFillsTheDisplay();
    void tagsAreShownAsText_data();
    void tagsAreShownAsText();
    void longListNumbersShowWhole_data();
    void longListNumbersShowWhole();
    void sliderRangeFollowsDuration_data();
    void sliderRangeFollowsDuration();
    void reselectingRestartsTheSong();
    void failedStartReportsOnce_data();
    void failedStartReportsOnce();
    void noAudioDeviceText();
    void listOfBadFilesDoesNotSpin();
};

void PlaybackTrackStartTest::selectionSetsCommands_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("selected");
    QTest::addColumn<bool>("loop");
    QTest::addColumn<bool>("previous");
    QTest::addColumn<bool>("next");
    QTest::newRow("first, loop off") << 12 << 0 << false << false << true;
    QTest::newRow("middle, loop off") << 12 << 5 << false << true << true;
    QTest::newRow("last, loop off") << 12 << 11 << false << true << false;
    QTest::newRow("only, loop off") << 1 << 0 << false << false << false;
    QTest::newRow("first, loop on") << 12 << 0 << true << true << true;
    QTest::newRow("last, loop on") << 12 << 11 << true << true << true;
    QTest::newRow("only, loop on") << 1 << 0 << true << true << true;
}

void PlaybackTrackStartTest::selectionSetsCommands()
{
    QFETCH(int, count);
    QFETCH(int, selected);
    QFETCH(bool, loop);
    QFETCH(bool, previous);
    QFETCH(bool, next);
    PlaybackWindow t;
    t.fillList(count);
    t.setLoop(loop);
    // Play and stop are left as the list build set them, off here to see that they stay.
    t.window->cmdPlayPanel[0]->setEnabled(false);
    t.window->mnuPlayControl[2]->setEnabled(false);
    t.window->cmdPlayPanel[1]->setEnabled(false);
    t.window->mnuPlayControl[1]->setEnabled(false);

    t.select(selected);

    QCOMPARE(t.window->CurrentSong, selected);
    QCOMPARE(t.commandEnabled(3), previous);
    QCOMPARE(t.commandDisabled(3), !previous);
    QCOMPARE(t.commandEnabled(4), next);
    QCOMPARE(t.commandDisabled(4), !next);
    QVERIFY(t.commandEnabled(1));
    QVERIFY(!t.window->cmdPlayPanel[0]->isEnabled());
    QVERIFY(!t.window->mnuPlayControl[2]->isEnabled());
    QCOMPARE(t.window->lblPivot->text(), QStringLiteral("%1/%2").arg(selected + 1).arg(count));
}

void PlaybackTrackStartTest::startFillsTheDisplay()
{
    PlaybackWindow t;
    t.fillList(12);
    t.select(2);

    QCOMPARE(t.fakes->player.calls,
             QStringList({QStringLiteral("FileName:/music/album/song3.mp3"), "Play"}));
    QVERIFY(t.fakes->player.playing);
    QVERIFY(t.window->CountTimer->isActive());
    QCOMPARE(t.window->lblPivot->text(), QStringLiteral("3/12"));
    QCOMPARE(t.window->lblTitle->text(), QStringLiteral("Title 3"));
    QCOMPARE(t.window->lblArtist->text(), QStringLiteral("Artist 3"));
    QVERIFY(t.fakes->messageBox.shown.empty());

    // A file without tags empties the labels rather than keeping the previous song's.
    t.fakes->player.clips[PlaybackWindow::nameOf(3)] = {};
    t.select(3);
    QCOMPARE(t.window->lblTitle->text(), QString());
    QCOMPARE(t.window->lblArtist->text(), QString());
}

void PlaybackTrackStartTest::tagsAreShownAsText_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("author");
    QTest::newRow("tags of markup") << "<b>Live</b> at <i>Budokan</i>" << "<u>Band</u>";
    QTest::newRow("a picture") << "<img src=\"/usr/share/pixmaps/debian-logo.png\">"
                               << "Live at <font size=7>Budokan</font>";
    QTest::newRow("an entity") << "Tom &amp; Jerry" << "<p>&lt;Artist&gt;</p>";
}

void PlaybackTrackStartTest::tagsAreShownAsText()
{
    QFETCH(QString, title);
    QFETCH(QString, author);
    PlaybackWindow t;
    t.fillList(1);
    t.fakes->player.clips[PlaybackWindow::nameOf(0)] = {200.0, title, author};
    t.select(0);
    QCOMPARE(t.window->lblTitle->text(), title);
    QCOMPARE(t.window->lblArtist->text(), author);
    QVERIFY(drawsLiterally(t.window->lblTitle));
    QVERIFY(drawsLiterally(t.window->lblArtist));
}

void PlaybackTrackStartTest::longListNumbersShowWhole_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("five digits") << 32767;
    QTest::newRow("six digits") << 123456;
    QTest::newRow("seven digits") << 1000000;
}

void PlaybackTrackStartTest::longListNumbersShowWhole()
{
    QFETCH(int, count);
    PlaybackWindow t;
    QLabel *pivot = t.window->lblPivot;
    auto shownWhole = [pivot] {
        return QFontMetrics(pivot->font()).horizontalAdvance(pivot->text())
               <= pivot->contentsRect().width();
    };
    t.fillList(12);
    t.select(0);
    const QFont usual = pivot->font();

    // The last song of a long list; the list box itself plays no part in the number.
    t.window->SongPaths.assign(static_cast<size_t>(count), "/s.mp3");
    t.window->CurrentSong = count - 1;
    t.window->StartCurrentSong();
    QCOMPARE(pivot->text(), QStringLiteral("%1/%1").arg(count));
    QVERIFY2(shownWhole(), qPrintable(pivot->text()));

    // A short list afterwards gets the usual face back, not one condensed further.
    t.window->SongPaths.resize(12);
    t.window->CurrentSong = 11;
    t.window->StartCurrentSong();
    QCOMPARE(pivot->text(), QStringLiteral("12/12"));
    QCOMPARE(pivot->font(), usual);
}

void PlaybackTrackStartTest::sliderRangeFollowsDuration_data()
{
    QTest::addColumn<double>("duration");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("largeStep");
    QTest::newRow("200 s") << 200.0 << 200 << 20;
    QTest::newRow("12.5 s, halves down to even") << 12.5 << 12 << 1;
    QTest::newRow("13.5 s, halves up to even") << 13.5 << 14 << 1;
    QTest::newRow("step 2.5 goes to 2") << 25.0 << 25 << 2;
    QTest::newRow("step 3.5 goes to 4") << 35.0 << 35 << 4;
    QTest::newRow("under half a second") << 0.4 << 0 << 0;
    QTest::newRow("a hundred hours") << 360000.0 << 360000 << 36000;
}

void PlaybackTrackStartTest::sliderRangeFollowsDuration()
{
    QFETCH(double, duration);
    QFETCH(int, maximum);
    QFETCH(int, largeStep);
    PlaybackWindow t;
    t.fillList(2, duration);
    t.select(1);
    QCOMPARE(t.window->Slider->minimum(), 0);
    QCOMPARE(t.window->Slider->maximum(), maximum);
    QCOMPARE(t.window->Slider->pageStep(), largeStep);
    QVERIFY(t.fakes->messageBox.shown.empty());
}

void PlaybackTrackStartTest::reselectingRestartsTheSong()
{
    PlaybackWindow t;
    t.fillList(1);
    t.startSong(0);
    t.fakes->player.position = 120.0;
    t.select(0);
    QCOMPARE(t.startedSongs(), QList<int>({0}));
    QCOMPARE(t.fakes->player.position, 0.0);
}

void PlaybackTrackStartTest::failedStartReportsOnce_data()
{
    QTest::addColumn<QString>("failingCall");
    QTest::addColumn<int>("number");
    QTest::addColumn<bool>("timerRuns");
    QTest::newRow("file missing") << "FileName" << ErrNo::FileNotFound << false;
    QTest::newRow("no audio device") << "Play" << ErrNo::E_FAIL_CODE << false;
    QTest::newRow("duration unreadable") << "Duration" << ErrNo::InvalidArgument << true;
}

void PlaybackTrackStartTest::failedStartReportsOnce()
{
    QFETCH(QString, failingCall);
    QFETCH(int, number);
    QFETCH(bool, timerRuns);
    PlaybackWindow t;
    t.fillList(3);
    t.startSong(0);
    t.window->CountTimer->stop();
    t.window->cmdPlayPanel[1]->setEnabled(false);
    t.window->mnuPlayControl[1]->setEnabled(false);
    t.fakes->player.failNext[failingCall] = number;

    t.select(1);

    QCOMPARE(t.shownTexts(), QStringList({expectedReport(Heading::Playback, number)}));
    QCOMPARE(t.fakes->messageBox.shown[0].icon, MessageBoxService::Icon::Critical);
    // What the selection set before the start stays; the display keeps the last song's.
    QCOMPARE(t.window->CurrentSong, 1);
    QVERIFY(t.commandEnabled(1));
    QCOMPARE(t.window->CountTimer->isActive(), timerRuns);
    QCOMPARE(t.window->lblPivot->text(), QStringLiteral("1/3"));
    QCOMPARE(t.window->lblTitle->text(), QStringLiteral("Title 1"));
}

void PlaybackTrackStartTest::noAudioDeviceText()
{
    PlaybackWindow t;
    t.fillList(1);
    t.fakes->player.failNext[QStringLiteral("Play")] = ErrNo::E_FAIL_CODE;
    t.select(0);
    QCOMPARE(t.shownTexts(),
             QStringList({QStringLiteral("再生時にエラーが発生しました。\r\n\r\nエラー番号：\r\n"
                                         "エラー内容：オーディオのハードウェアがないか、"
                                         "またはハードウェアが応答していません。")}));
}

void PlaybackTrackStartTest::listOfBadFilesDoesNotSpin()
{
    PlaybackWindow t;
    t.fillList(3);
    t.setLoop(true);
    for (int index = 0; index < 3; ++index)
        t.fakes->player.badFiles[PlaybackWindow::nameOf(index)] = ErrNo::FileNotFound;

    // A start that fails does not move on by itself: one box, one attempt.
    t.select(0);
    QCOMPARE(t.fakes->messageBox.shown.size(), size_t(1));
    QCOMPARE(t.startedSongs(), QList<int>({0}));

    // The user can still walk the list past the bad songs, in both directions.
    t.fakes->player.calls.clear();
    t.window->cmdPlayPanel_Click(4);
    t.window->cmdPlayPanel_Click(4);
    t.window->cmdPlayPanel_Click(4);
    t.window->cmdPlayPanel_Click(3);
    QCOMPARE(t.startedSongs(), QList<int>({1, 2, 0, 2}));
    QCOMPARE(t.fakes->messageBox.shown.size(), size_t(5));
    QCOMPARE(t.window->CurrentSong, 2);

    // A good song again among them plays normally.
    t.fakes->player.badFiles.erase(PlaybackWindow::nameOf(1));
    t.fakes->player.calls.clear();
    t.window->cmdPlayPanel_Click(3);
    QCOMPARE(t.startedSongs(), QList<int>({1}));
    QCOMPARE(t.fakes->messageBox.shown.size(), size_t(5));
    QCOMPARE(t.window->lblPivot->text(), QStringLiteral("2/3"));
}

QTEST_MAIN(PlaybackTrackStartTest)
#include "test_playback_track_start.moc"
