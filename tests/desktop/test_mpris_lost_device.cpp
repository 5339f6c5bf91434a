#include "mpris_bus_client.h"

#include "app/main_window.h"
#include "engine/engine_test_support.h"
#include "engine/mp3_engine.h"
#include "fakes/fake_platform.h"
#include "playback/seek_slider.h"
#include "songlist/song_list_view.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace EngineTest;

// The window on the real engine, whose audio device goes away mid-song (SDL's disk driver,
// whose output may grow no more), while a desktop widget watches through the bus.
class MprisLostDeviceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void controlsShowTheHaltedSongWhileTheWindowReports();
};

void MprisLostDeviceTest::controlsShowTheHaltedSongWhileTheWindowReports()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::filesystem::path song = dir.filePath(QStringLiteral("long.mp3")).toStdString();
    QVERIFY(writeLongSong(song));
    const QString output = dir.filePath(QStringLiteral("device.raw"));
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", output.toLocal8Bit());
    qputenv("SDL_DISKAUDIODELAY", "10");

    FakePlatform fakes;
    Mp3Engine engine;
    Platform platform {engine, fakes.messageBox, fakes.screen, fakes.tray, fakes.instanceGuard,
        fakes.clock, fakes.eventLoop, fakes.process, fakes.drives};
    frmMain window(platform);
    window.SongPaths.push_back(song);
    window.SongList->AddItem(QStringLiteral("long.mp3"));
    // As the get-files command leaves them.
    for (QPushButton *button : window.cmdPlayPanel)
        button->setEnabled(true);
    MprisService service(window);
    QVERIFY(service.isRegistered());
    MprisBusClient client;

    window.SongList->setListIndex(0);
    QVERIFY(window.CountTimer->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(window.Slider->value() >= 2, 20000);
    client.roundTrip();
    client.changes.clear();
    // The device's next write fails: it goes away, and the window's next tick reports it.
    FileSizeLimit limit(static_cast<rlim_t>(fileSize(output)));

    RecordingMessageBox &box = fakes.messageBox;
    box.modal = true;
    QVariant status;
    QVariant announced;
    qlonglong position = -1;
    int shownSeconds = -1;
    box.onShow = [&](const QString &) {
        status = client.playerProperty("PlaybackStatus");
        position = client.playerProperty("Position").toLongLong();
        shownSeconds = window.Slider->value();
        // A widget that only listens hears of it too, while the box is still open.
        (void)QTest::qWaitFor([&] { return client.lastChange("PlaybackStatus").isValid(); }, 10000);
        announced = client.lastChange("PlaybackStatus");
        box.dismiss();
    };
    QTRY_COMPARE_WITH_TIMEOUT(box.shown.size(), size_t(1), 20000);
    QVERIFY2(box.shown[0].text.contains(QString::number(ErrNo::E_FAIL_CODE)),
        qPrintable(box.shown[0].text));
    // The song halted where its sound stopped, and the window's display stands there: paused
    // at the position the window shows, not playing from the start.
    QCOMPARE(status, QVariant("Paused"));
    QCOMPARE(announced, QVariant("Paused"));
    QCOMPARE(position, qlonglong(shownSeconds) * 1000000);

    // With the device back, Play goes on from there.
    limit.lift();
    client.player("Play");
    QTRY_COMPARE(client.playerProperty("PlaybackStatus"), QVariant("Playing"));
    QTRY_VERIFY(client.playerProperty("Position").toLongLong() > position);
    QCOMPARE(box.shown.size(), size_t(1));
}

QTEST_MAIN(MprisLostDeviceTest)
#include "test_mpris_lost_device.moc"
