#include "mpris_bus_client.h"
#include "window/playback_fixture.h"

#include <QDBusObjectPath>
#include <QTest>

#include <filesystem>
#include <limits>
#include <memory>

// The current song as the desktop's widgets see it through the session bus: what it is, where
// it stands, and seeking within it.
class MprisTrackTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void metadataOfTheCurrentSong_data();
    void metadataOfTheCurrentSong();
    void positionAndSeeking_data();
    void positionAndSeeking();

private:
    std::unique_ptr<PlaybackWindow> t;
    std::unique_ptr<MprisService> service;
    std::unique_ptr<MprisBusClient> client;
};

void MprisTrackTest::init()
{
    t = std::make_unique<PlaybackWindow>();
    service = std::make_unique<MprisService>(*t->window);
    QVERIFY(service->isRegistered());
    client = std::make_unique<MprisBusClient>();
}

void MprisTrackTest::cleanup()
{
    client.reset();
    service.reset();
    t.reset();
}

void MprisTrackTest::metadataOfTheCurrentSong_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("author");
    QTest::addColumn<double>("duration");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QVariantMap>("expected");

    QTest::newRow("tagged") << "夜の歌"
                            << "青木" << 183.25 << QByteArray("/music/song1.mp3")
                            << QVariantMap {{"xesam:title", "夜の歌"},
                                   {"xesam:artist", QStringList {"青木"}},
                                   {"mpris:length", qlonglong(183250000)},
                                   {"xesam:url", "file:///music/song1.mp3"}};
    // Untagged: the list shows the file name, so the widget does too; no artist at all.
    QTest::newRow("untagged") << ""
                              << "" << 1.0 << QByteArray("/music/song1.mp3")
                              << QVariantMap {{"xesam:title", "song1.mp3"},
                                     {"mpris:length", qlonglong(1000000)},
                                     {"xesam:url", "file:///music/song1.mp3"}};
    QTest::newRow("unreadable length")
        << "T"
        << "A" << -1.0 << QByteArray("/music/song1.mp3")
        << QVariantMap {{"xesam:title", "T"}, {"xesam:artist", QStringList {"A"}},
               {"xesam:url", "file:///music/song1.mp3"}};
    // Bytes that are no UTF-8 and URL specials are escaped one by one.
    QTest::newRow("raw bytes") << "T"
                               << "" << 2.0 << QByteArray("/mu sic/\x83\x5c#?%.mp3")
                               << QVariantMap {{"xesam:title", "T"},
                                      {"mpris:length", qlonglong(2000000)},
                                      {"xesam:url", "file:///mu%20sic/%83%5C%23%3F%25.mp3"}};
}

void MprisTrackTest::metadataOfTheCurrentSong()
{
    QFETCH(QString, title);
    QFETCH(QString, author);
    QFETCH(double, duration);
    QFETCH(QByteArray, path);
    QFETCH(QVariantMap, expected);
    QCOMPARE(client->metadata(), QVariantMap());

    const std::string pathBytes = path.toStdString();
    t->window->SongPaths = {"/music/other.mp3", pathBytes};
    t->window->SongList->AddItem("other.mp3");
    t->window->SongList->AddItem("song1.mp3");
    t->fakes->player.clips[std::filesystem::path(pathBytes).filename().native()]
        = {duration, title, author};
    t->select(1);

    QVariantMap metadata = client->metadata();
    QCOMPARE(metadata.take("mpris:trackid").value<QDBusObjectPath>().path(),
        QStringLiteral("/io/github/brenlowick/track/1"));
    QCOMPARE(metadata, expected);
}

void MprisTrackTest::positionAndSeeking_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariantList>("arguments");
    QTest::addColumn<QStringList>("playerCalls");
    QTest::addColumn<QList<qlonglong>>("seeked");

    const auto track = [](int entry) {
        return QVariant::fromValue(
            QDBusObjectPath(QStringLiteral("/io/github/brenlowick/track/%1").arg(entry)));
    };
    // Song 2 of 3 (200 s) plays at 42.5 s.
    QTest::newRow("seek forward") << "Seek" << QVariantList {qlonglong(10000000)}
                                  << QStringList {"SetPosition:52.5"}
                                  << QList<qlonglong> {52500000};
    QTest::newRow("seek back past the start")
        << "Seek" << QVariantList {qlonglong(-60000000)} << QStringList {"SetPosition:0"}
        << QList<qlonglong> {0};
    QTest::newRow("seek past the end goes next")
        << "Seek" << QVariantList {qlonglong(170000000)}
        << QStringList {"FileName:/music/album/song3.mp3", "Play"} << QList<qlonglong> {};
    QTest::newRow("seek by the largest offset")
        << "Seek" << QVariantList {std::numeric_limits<qlonglong>::max()}
        << QStringList {"FileName:/music/album/song3.mp3", "Play"} << QList<qlonglong> {};
    QTest::newRow("set position") << "SetPosition" << QVariantList {track(1), qlonglong(120250000)}
                                  << QStringList {"SetPosition:120.25"}
                                  << QList<qlonglong> {120250000};
    QTest::newRow("set position to the end")
        << "SetPosition" << QVariantList {track(1), qlonglong(200000000)}
        << QStringList {"SetPosition:200"} << QList<qlonglong> {200000000};
    QTest::newRow("set position of another song")
        << "SetPosition" << QVariantList {track(0), qlonglong(1000000)} << QStringList {}
        << QList<qlonglong> {};
    QTest::newRow("set negative position")
        << "SetPosition" << QVariantList {track(1), qlonglong(-1)} << QStringList {}
        << QList<qlonglong> {};
    QTest::newRow("set position past the end")
        << "SetPosition" << QVariantList {track(1), qlonglong(200000001)} << QStringList {}
        << QList<qlonglong> {};
}

void MprisTrackTest::positionAndSeeking()
{
    QFETCH(QString, method);
    QFETCH(QVariantList, arguments);
    QFETCH(QStringList, playerCalls);
    QFETCH(QList<qlonglong>, seeked);
    t->fillList(3);
    t->startSong(1);
    t->fakes->player.position = 42.5;
    QCOMPARE(client->playerProperty("Position"), QVariant(qlonglong(42500000)));

    QCOMPARE(client->player(method, arguments).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(t->fakes->player.calls, playerCalls);
    if (!seeked.isEmpty()) {
        QTRY_COMPARE(client->seeks, seeked);
        // The window's display follows the new position even without the refresh timer.
        QCOMPARE(t->window->Slider->value(), int(seeked.first() / 1000000));
    } else if (!playerCalls.isEmpty()) {
        // A move to the next song is a new song, announced as such, not a seek within one.
        QTRY_VERIFY(client->lastChange("Metadata").isValid());
        client->roundTrip();
        QCOMPARE(client->seeks, seeked);
    }
    QVERIFY(t->fakes->messageBox.shown.empty());
}

QTEST_MAIN(MprisTrackTest)
#include "test_mpris_track.moc"
