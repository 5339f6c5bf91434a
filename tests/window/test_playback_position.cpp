#include "playback_fixture.h"

#include <QTest>
#include <QMap>
#include <QWindow>

namespace {

// Mouse events through the window, as the platform delivers them: the application's own
// record of the held buttons follows them as it does for a real mouse.
QPoint inWindow(QWidget *widget, QPoint point)
{
    return widget->mapTo(widget->window(), point);
}
void pressOn(QWidget *widget, QPoint point)
{
    QTest::mousePress(widget->window()->windowHandle(), Qt::LeftButton, {},
                      inWindow(widget, point));
}
void moveOn(QWidget *widget, QPoint point)
{
    QTest::mouseMove(widget->window()->windowHandle(), inWindow(widget, point));
}
void releaseOn(QWidget *widget, QPoint point)
{
    QTest::mouseRelease(widget->window()->windowHandle(), Qt::LeftButton, {},
                        inWindow(widget, point));
}

// Shows the window playing its one song at the given second, the display refreshed once.
// Returns false when the window could not be shown.
bool showPlaying(PlaybackWindow &t, double duration, double seconds)
{
    t.fillList(1, duration);
    t.window->show();
    if (!QTest::qWaitForWindowExposed(t.window.get()))
        return false;
    t.startSong(0);
    t.fakes->player.position = seconds;
    t.window->CountTimer_Timer();
    return true;
}

// Counts the paint events of the watched widgets.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(const QList<QWidget *> &watched)
    {
        for (QWidget *widget : watched)
            widget->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints[watched->objectName()];
        return false;
    }
    QMap<QString, int> paints;
};

// Waits until the window has painted everything that was waiting to be painted: a widget that
// nothing else touches is marked for painting, and one pass of the window paints it together
// with every other widget marked before it.
void paintPending(QWidget *untouched)
{
    PaintCounter counter({untouched});
    untouched->update();
    QTRY_VERIFY(counter.paints.value(untouched->objectName()) > 0);
}

} // namespace

// The quarter-second refresh of the time label and the slider, and seeking with the slider.
class PlaybackPositionTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void tickShowsRoundedPosition_data();
    void tickShowsRoundedPosition();
    void timerRefreshesEveryQuarterSecond();
    void pausedDisplayStaysStill();
    void sliderClickSeeks();
    void clickBesideTheThumbSeeksWithATickBetween_data();
    void clickBesideTheThumbSeeksWithATickBetween();
    void refreshDoesNotFightADrag();
    void releaseLostToAnotherWindowFreesTheThumb();
    void refreshPaintsOnlyWhatChanged_data();
    void refreshPaintsOnlyWhatChanged();
    void failedTickKeepsTheTimer();
    void persistentFailureIsToldOnce();
    void tickInsideAFailureBoxIsSkipped();
    void failedSeekIsReported();
};

void PlaybackPositionTest::tickShowsRoundedPosition_data()
{
    QTest::addColumn<double>("position");
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("slider");
    QTest::newRow("12.5 s shows 12") << 12.5 << "00:00:12" << 12;
    QTest::newRow("13.5 s shows 14") << 13.5 << "00:00:14" << 14;
    QTest::newRow("start") << 0.2 << "00:00:00" << 0;
    QTest::newRow("past an hour") << 3661.4 << "01:01:01" << 3661;
}

void PlaybackPositionTest::tickShowsRoundedPosition()
{
    QFETCH(double, position);
    QFETCH(QString, label);
    QFETCH(int, slider);
    PlaybackWindow t;
    t.fillList(1, 4000.0);
    t.startSong(0);
    t.fakes->player.position = position;
    t.window->CountTimer_Timer();
    QCOMPARE(t.window->lblCount->text(), label);
    QCOMPARE(t.window->Slider->value(), slider);
}

void PlaybackPositionTest::timerRefreshesEveryQuarterSecond()
{
    PlaybackWindow t;
    t.fillList(1);
    QVERIFY(!t.window->CountTimer->isActive());
    t.startSong(0);
    QCOMPARE(t.window->CountTimer->interval(), 250);
    t.fakes->player.position = 7.0;
    QTRY_COMPARE(t.window->lblCount->text(), QStringLiteral("00:00:07"));
    QTRY_COMPARE(t.window->Slider->value(), 7);
}

void PlaybackPositionTest::pausedDisplayStaysStill()
{
    PlaybackWindow t;
    t.fillList(1);
    t.startSong(0);
    t.fakes->player.position = 30.0;
    t.window->CountTimer_Timer();
    t.window->cmdPlayPanel_Click(1);
    QVERIFY(!t.window->CountTimer->isActive());
    t.fakes->player.position = 31.0;
    // A pending timer event from before the pause must not arrive any more.
    QCoreApplication::processEvents();
    QCOMPARE(t.window->lblCount->text(), QStringLiteral("00:00:30"));
    QCOMPARE(t.window->Slider->value(), 30);
}

void PlaybackPositionTest::sliderClickSeeks()
{
    PlaybackWindow t;
    t.fillList(1, 200.0);
    t.startSong(0);
    t.window->Slider->setValue(90);
    Q_EMIT t.window->Slider->Click();
    QCOMPARE(t.fakes->player.calls, QStringList({"SetPosition:90"}));
    QCOMPARE(t.fakes->player.position, 90.0);
    t.window->CountTimer_Timer();
    QCOMPARE(t.window->lblCount->text(), QStringLiteral("00:01:30"));
    QCOMPARE(t.window->Slider->value(), 90);
}

void PlaybackPositionTest::clickBesideTheThumbSeeksWithATickBetween_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("clickRight");
    QTest::addColumn<bool>("releaseBelow");
    QTest::addColumn<int>("to");
    QTest::newRow("right of the thumb") << 50 << true << false << 70;
    QTest::newRow("left of the thumb") << 150 << false << false << 130;
    QTest::newRow("stops at the end") << 190 << true << false << 200;
    QTest::newRow("stops at the start") << 10 << false << false << 0;
    // The thumb has moved already; the pointer slipping off the slider does not undo that.
    QTest::newRow("released below the slider") << 50 << true << true << 70;
}

void PlaybackPositionTest::clickBesideTheThumbSeeksWithATickBetween()
{
    QFETCH(int, from);
    QFETCH(bool, clickRight);
    QFETCH(bool, releaseBelow);
    QFETCH(int, to);
    PlaybackWindow t;
    QVERIFY(showPlaying(t, 200.0, from));
    SeekSlider *slider = t.window->Slider;
    const QRect handle = slider->handleRect();
    const QPoint beside = clickRight ? QPoint(slider->width() - 1, handle.center().y())
                                     : QPoint(0, handle.center().y());
    QVERIFY(!handle.contains(beside));

    pressOn(slider, beside);
    QCOMPARE(slider->value(), to);
    // The refresh comes while the button is still down; the song has not moved.
    t.window->CountTimer_Timer();
    QCOMPARE(slider->value(), to);
    const QPoint releaseAt = releaseBelow ? QPoint(beside.x(), slider->height() + 20) : beside;
    if (releaseBelow)
        moveOn(slider, releaseAt);
    QVERIFY(t.fakes->player.calls.isEmpty());
    releaseOn(slider, releaseAt);
    QCOMPARE(t.fakes->player.calls, QStringList({QStringLiteral("SetPosition:%1").arg(to)}));
    t.window->CountTimer_Timer();
    QCOMPARE(slider->value(), to);
}

void PlaybackPositionTest::refreshDoesNotFightADrag()
{
    PlaybackWindow t;
    QVERIFY(showPlaying(t, 200.0, 100.0));
    SeekSlider *slider = t.window->Slider;
    const QPoint grip = slider->handleRect().center();
    pressOn(slider, grip);
    QVERIFY(slider->isSliderDown());
    moveOn(slider, grip + QPoint(slider->width() / 4, 0));
    const int dragged = slider->value();
    QVERIFY(dragged > 120);

    t.fakes->player.position = 101.0;
    t.window->CountTimer_Timer();
    QCOMPARE(slider->value(), dragged);
    QCOMPARE(t.window->lblCount->text(), QStringLiteral("00:01:41"));

    releaseOn(slider, slider->handleRect().center());
    QCOMPARE(t.fakes->player.calls, QStringList({QStringLiteral("SetPosition:%1").arg(dragged)}));
    QCOMPARE(slider->value(), dragged);
    t.window->CountTimer_Timer();
    QCOMPARE(slider->value(), dragged);
}

void PlaybackPositionTest::releaseLostToAnotherWindowFreesTheThumb()
{
    // A box that opens while the button is down takes the release: the slider never hears of
    // it, and must not stay frozen for the rest of the song.
    PlaybackWindow t;
    QVERIFY(showPlaying(t, 200.0, 50.0));
    SeekSlider *slider = t.window->Slider;
    pressOn(slider, QPoint(slider->width() - 1, slider->handleRect().center().y()));
    QWidget box;
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QTest::mouseRelease(box.windowHandle(), Qt::LeftButton, {}, QPoint(5, 5));

    t.fakes->player.position = 51.0;
    t.window->CountTimer_Timer();
    QCOMPARE(slider->value(), 51);
    QVERIFY(t.fakes->player.calls.isEmpty());
}

void PlaybackPositionTest::refreshPaintsOnlyWhatChanged_data()
{
    QTest::addColumn<double>("duration");
    QTest::addColumn<QList<double>>("positions");
    QTest::addColumn<int>("timePaints");
    QTest::addColumn<int>("sliderPaints");
    QTest::newRow("four ticks within a second")
        << 200.0 << QList<double>{12.1, 12.2, 12.3, 12.4} << 0 << 0;
    QTest::newRow("four ticks over the next second")
        << 200.0 << QList<double>{12.2, 12.4, 12.6, 12.8} << 1 << 1;
    // Three hours on some 250 pixels: the thumb stays on its pixel.
    QTest::newRow("the next second of a long song")
        << 10800.0 << QList<double>{12.2, 12.4, 12.6, 12.8} << 1 << 0;
}

void PlaybackPositionTest::refreshPaintsOnlyWhatChanged()
{
    QFETCH(double, duration);
    QFETCH(QList<double>, positions);
    QFETCH(int, timePaints);
    QFETCH(int, sliderPaints);
    PlaybackWindow t;
    QVERIFY(showPlaying(t, duration, 12.0));
    t.window->CountTimer->stop(); // the ticks below are the only ones
    paintPending(t.window->Label1);

    frmMain *w = t.window.get();
    PaintCounter counter({w, w->lblBack, w->lblCount, w->lblPivot, w->lblTitle, w->lblArtist,
                          w->Label2, w->Slider, w->cmdPlayPanel[0], w->SongList});
    for (double position : positions) {
        t.fakes->player.position = position;
        t.window->CountTimer_Timer();
    }
    paintPending(t.window->Label1);
    QCOMPARE(counter.paints.value(QStringLiteral("lblCount")), timePaints);
    QCOMPARE(counter.paints.value(QStringLiteral("Slider")), sliderPaints);
    QCOMPARE(counter.paints.size(), int(timePaints > 0) + int(sliderPaints > 0));
}

void PlaybackPositionTest::failedTickKeepsTheTimer()
{
    PlaybackWindow t;
    t.fillList(1);
    t.startSong(0);
    t.fakes->player.position = 20.0;
    t.window->CountTimer_Timer();
    t.fakes->player.failNext[QStringLiteral("CurrentPosition")] = ErrNo::DeviceUnavailable;
    t.fakes->player.position = 21.0;
    t.window->CountTimer_Timer();
    QCOMPARE(t.shownTexts(), QStringList({expectedReport(Heading::General, ErrNo::DeviceUnavailable)}));
    QVERIFY(t.window->CountTimer->isActive());
    QCOMPARE(t.window->lblCount->text(), QStringLiteral("00:00:20"));
    t.window->CountTimer_Timer();
    QCOMPARE(t.window->lblCount->text(), QStringLiteral("00:00:21"));
}

void PlaybackPositionTest::persistentFailureIsToldOnce()
{
    PlaybackWindow t;
    t.fillList(1);
    t.startSong(0);
    auto failingTick = [&](int32_t number) {
        t.fakes->player.failNext[QStringLiteral("CurrentPosition")] = number;
        t.window->CountTimer_Timer();
    };
    failingTick(ErrNo::DeviceUnavailable);
    failingTick(ErrNo::DeviceUnavailable);
    failingTick(ErrNo::DeviceUnavailable);
    QCOMPARE(t.fakes->messageBox.shown.size(), size_t(1));
    // A different failure is news; after a good tick the old one is news again.
    failingTick(ErrNo::InvalidArgument);
    QCOMPARE(t.fakes->messageBox.shown.size(), size_t(2));
    t.window->CountTimer_Timer();
    failingTick(ErrNo::InvalidArgument);
    QCOMPARE(t.fakes->messageBox.shown.size(), size_t(3));
}

void PlaybackPositionTest::tickInsideAFailureBoxIsSkipped()
{
    PlaybackWindow t;
    t.fillList(1);
    t.startSong(0);
    int nestedTicks = 0;
    t.fakes->messageBox.onShow = [&](const QString &) {
        // The timer goes on firing while the modal box waits for the user.
        t.fakes->player.failNext[QStringLiteral("CurrentPosition")] = ErrNo::InvalidArgument;
        t.window->CountTimer_Timer();
        ++nestedTicks;
    };
    t.fakes->player.failNext[QStringLiteral("CurrentPosition")] = ErrNo::DeviceUnavailable;
    t.window->CountTimer_Timer();
    QCOMPARE(nestedTicks, 1);
    QCOMPARE(t.fakes->messageBox.shown.size(), size_t(1));
    // The nested tick did not even ask the player.
    QVERIFY(t.fakes->player.failNext.count(QStringLiteral("CurrentPosition")) == 1);
}

void PlaybackPositionTest::failedSeekIsReported()
{
    PlaybackWindow t;
    t.fillList(1);
    t.startSong(0);
    t.window->Slider->setValue(40);
    t.fakes->player.failNext[QStringLiteral("SetPosition")] = ErrNo::InvalidArgument;
    Q_EMIT t.window->Slider->Click();
    QCOMPARE(t.shownTexts(), QStringList({expectedReport(Heading::General, ErrNo::InvalidArgument)}));
}

QTEST_MAIN(PlaybackPositionTest)
#include "test_playback_position.moc"
