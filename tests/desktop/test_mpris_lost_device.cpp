#include "mpris_bus_client.h"

#include "app/main_window.h"
#include "engine/engine_test_support.h"
#include "fakes/fake_platform.h"
#include "engine/mp3_decoder.h"
#include "engine/mp3_engine.h"
#include "songlist/song_list_view.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace EngineTest;

// The window on the real engine, whose audio device goes away mid-song (SDL's disk driver,
// whose output may grow no more), while a desktop widget polls the position through the bus.
class MprisLostDeviceTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void desktopReadLeavesTheFailureToTheWindow();
};

void MprisLostDeviceTest::desktopReadLeavesTheFailureToTheWindow()
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
    MprisService service(window);
    QVERIFY(service.isRegistered());
    MprisBusClient client;

    const qint64 deviceBytes = 40 * 4096 * Mp3Decoder::BytesPerFrame;
    FileSizeLimit limit(static_cast<rlim_t>(deviceBytes));
    window.SongList->setListIndex(0);
    QVERIFY(window.CountTimer->isActive());
    // Only the desktop reads the position for now; the window's next tick comes after.
    window.CountTimer->stop();
    // The device's last buffer is written: it goes at the next.
    QTRY_COMPARE(fileSize(output), deviceBytes);
    QTRY_COMPARE(client.playerProperty("Position").toLongLong(), 0);
    limit.lift();
    QVERIFY(fakes.messageBox.shown.empty());

    window.CountTimer_Timer();
    QCOMPARE(fakes.messageBox.shown.size(), size_t(1));
    QVERIFY2(fakes.messageBox.shown[0].text.contains(QString::number(ErrNo::E_FAIL_CODE)),
        qPrintable(fakes.messageBox.shown[0].text));
}

QTEST_MAIN(MprisLostDeviceTest)
#include "test_mpris_lost_device.moc"
