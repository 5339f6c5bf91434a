#include "mpris_bus_client.h"
#include "window/playback_fixture.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QTest>

#include <memory>
#include <utility>

// The player's methods and properties, called the way media keys and desktop widgets call
// them: through the session bus, on the window with the fake player.
class MprisCommandsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void takesItsNameOnTheBus();
    void rootProperties();
    void raiseLeavesTrayMode();
    void quitEndsAsTheEndButtonDoes();
    void commandsRunTheButtonHandler_data();
    void commandsRunTheButtonHandler();
    void commandsOfDisabledButtonsDoNothing();
    void playPauseToggles();
    void playbackStatusFollowsTheWindow_data();
    void playbackStatusFollowsTheWindow();
    void canPropertiesFollowTheButtons();
    void metadataOfTheCurrentSong_data();
    void metadataOfTheCurrentSong();
    void positionAndSeeking_data();
    void positionAndSeeking();
    void loopStatusWrittenAndReadBack_data();
    void loopStatusWrittenAndReadBack();
    void loopStatusReadsTheBoxes_data();
    void loopStatusReadsTheBoxes();
    void readOnlyAndUnsupported();
    void secondPlayerGetsAnInstanceName();
    void withoutABusThePlayerRunsSilently();

private:
    std::unique_ptr<PlaybackWindow> t;
    std::unique_ptr<MprisService> service;
    std::unique_ptr<MprisBusClient> client;
};

void MprisCommandsTest::init()
{
    t = std::make_unique<PlaybackWindow>();
    service = std::make_unique<MprisService>(*t->window);
    QVERIFY(service->isRegistered());
    client = std::make_unique<MprisBusClient>();
}

void MprisCommandsTest::cleanup()
{
    client.reset();
    service.reset();
    t.reset();
}

void MprisCommandsTest::takesItsNameOnTheBus()
{
    QCOMPARE(service->serviceName(), QStringLiteral("org.mpris.MediaPlayer2.brenlowick"));
    const auto owner
        = QDBusConnection::sessionBus().interface()->serviceOwner(service->serviceName());
    QCOMPARE(owner.value(), QDBusConnection::sessionBus().baseService());
}

void MprisCommandsTest::rootProperties()
{
    QCOMPARE(client->property(RootInterface, "Identity"), QVariant("Brenlowick"));
    QCOMPARE(client->property(RootInterface, "DesktopEntry"), QVariant("brenlowick"));
    QCOMPARE(client->property(RootInterface, "CanQuit"), QVariant(true));
    QCOMPARE(client->property(RootInterface, "CanRaise"), QVariant(true));
    QCOMPARE(client->property(RootInterface, "HasTrackList"), QVariant(false));
    QCOMPARE(client->property(RootInterface, "SupportedUriSchemes").toStringList(), QStringList());
    QCOMPARE(client->playerProperty("CanControl"), QVariant(true));
}

void MprisCommandsTest::raiseLeavesTrayMode()
{
    t->window->enterTrayMode();
    QVERIFY(t->window->inTrayMode());
    QVERIFY(!t->window->isVisible());

    QCOMPARE(client->call(RootInterface, "Raise").type(), QDBusMessage::ReplyMessage);
    QVERIFY(!t->window->inTrayMode());
    QVERIFY(t->window->isVisible());
}

void MprisCommandsTest::quitEndsAsTheEndButtonDoes()
{
    bool iconRemovedBeforeTheEnd = false;
    t->fakes->tray.onNotify
        = [&](int32_t) { iconRemovedBeforeTheEnd = t->fakes->process.endedWith.empty(); };
    // The caller gets its answer before the program ends.
    QCOMPARE(client->call(RootInterface, "Quit").type(), QDBusMessage::ReplyMessage);
    QTRY_COMPARE(t->fakes->process.endedWith, std::vector<int> {0});
    QCOMPARE(t->fakes->tray.messages, std::vector<int32_t> {TrayMessage::Delete});
    QVERIFY(iconRemovedBeforeTheEnd);
}

void MprisCommandsTest::commandsRunTheButtonHandler_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QStringList>("playerCalls");
    QTest::addColumn<int>("currentSong");
    QTest::addColumn<bool>("timerRunning");

    // Song 2 of 3 is playing when the method arrives.
    QTest::newRow("Play") << "Play" << QStringList {"Play"} << 1 << true;
    QTest::newRow("Pause") << "Pause" << QStringList {"Pause"} << 1 << false;
    QTest::newRow("Stop") << "Stop" << QStringList {"Stop", "SetPosition:0"} << 1 << false;
    QTest::newRow("Next") << "Next" << QStringList {"FileName:/music/album/song3.mp3", "Play"} << 2
                          << true;
    QTest::newRow("Previous") << "Previous"
                              << QStringList {"FileName:/music/album/song1.mp3", "Play"} << 0
                              << true;
}

void MprisCommandsTest::commandsRunTheButtonHandler()
{
    QFETCH(QString, method);
    QFETCH(QStringList, playerCalls);
    QFETCH(int, currentSong);
    QFETCH(bool, timerRunning);
    t->fillList(3);
    t->startSong(1);

    const QDBusMessage reply = client->player(method);
    QCOMPARE(reply.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(t->fakes->player.calls, playerCalls);
    QCOMPARE(t->window->CurrentSong, currentSong);
    QCOMPARE(t->window->CountTimer->isActive(), timerRunning);
    QVERIFY(t->fakes->messageBox.shown.empty());
}

void MprisCommandsTest::commandsOfDisabledButtonsDoNothing()
{
    // Before any list the buttons are off (the tray's menu commands are not): a media key
    // pressed then must not reach the player or raise an error box.
    for (const char *method : {"Play", "Pause", "PlayPause", "Stop", "Next", "Previous"})
        QCOMPARE(client->player(method).type(), QDBusMessage::ReplyMessage);
    QVERIFY(t->fakes->player.calls.isEmpty());
    QVERIFY(t->fakes->messageBox.shown.empty());

    // On the first song with loop off, previous is off and stays a no-op.
    t->setLoop(false);
    t->fillList(3);
    t->startSong(0);
    QCOMPARE(client->playerProperty("CanGoPrevious"), QVariant(false));
    client->player("Previous");
    QVERIFY(t->fakes->player.calls.isEmpty());
    QCOMPARE(t->window->SongList->ListIndex(), 0);
}

void MprisCommandsTest::playPauseToggles()
{
    t->fillList(2);
    t->startSong(0);
    client->player("PlayPause");
    QCOMPARE(t->fakes->player.calls, QStringList {"Pause"});
    QCOMPARE(client->playerProperty("PlaybackStatus"), QVariant("Paused"));
    client->player("PlayPause");
    QCOMPARE(t->fakes->player.calls, QStringList({"Pause", "Play"}));
    QCOMPARE(client->playerProperty("PlaybackStatus"), QVariant("Playing"));
    // From stopped it plays again from the start.
    client->player("Stop");
    client->player("PlayPause");
    QCOMPARE(
        t->fakes->player.calls, QStringList({"Pause", "Play", "Stop", "SetPosition:0", "Play"}));
}

void MprisCommandsTest::playbackStatusFollowsTheWindow_data()
{
    QTest::addColumn<QList<int>>("commands");
    QTest::addColumn<bool>("songEnds");
    QTest::addColumn<QString>("status");

    QTest::newRow("song started") << QList<int> {} << false << "Playing";
    QTest::newRow("paused") << QList<int> {1} << false << "Paused";
    QTest::newRow("paused, then played") << QList<int> {1, 0} << false << "Playing";
    QTest::newRow("stopped") << QList<int> {2} << false << "Stopped";
    QTest::newRow("paused, then stopped") << QList<int> {1, 2} << false << "Stopped";
    QTest::newRow("ended, nothing follows") << QList<int> {} << true << "Stopped";
}

void MprisCommandsTest::playbackStatusFollowsTheWindow()
{
    QFETCH(QList<int>, commands);
    QFETCH(bool, songEnds);
    QFETCH(QString, status);
    t->setLoop(false);
    t->fillList(2);
    t->startSong(1);
    for (int command : commands)
        t->window->cmdPlayPanel_Click(static_cast<int16_t>(command));
    if (songEnds)
        t->fakes->player.finishSong();
    QCOMPARE(client->playerProperty("PlaybackStatus"), QVariant(status));
}

void MprisCommandsTest::canPropertiesFollowTheButtons()
{
    const auto canAll = [this] {
        QList<bool> values;
        for (const char *name : {"CanPlay", "CanPause", "CanGoPrevious", "CanGoNext", "CanSeek"})
            values << client->playerProperty(name).toBool();
        return values;
    };
    QCOMPARE(canAll(), QList<bool>({false, false, false, false, false}));

    t->setLoop(false);
    t->fillList(3);
    t->startSong(0);
    // First song, loop off: no previous.
    QCOMPARE(canAll(), QList<bool>({true, true, false, true, true}));
    t->window->cmdPlayPanel_Click(2);
    QCOMPARE(canAll(), QList<bool>({true, false, false, true, true}));
    t->startSong(2);
    QCOMPARE(canAll(), QList<bool>({true, true, true, false, true}));
}

void MprisCommandsTest::metadataOfTheCurrentSong_data()
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

void MprisCommandsTest::metadataOfTheCurrentSong()
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

void MprisCommandsTest::positionAndSeeking_data()
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

void MprisCommandsTest::positionAndSeeking()
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

void MprisCommandsTest::loopStatusWrittenAndReadBack_data()
{
    QTest::addColumn<bool>("repeatBefore");
    QTest::addColumn<bool>("loopBefore");
    QTest::addColumn<QString>("written");
    QTest::addColumn<bool>("repeat");
    QTest::addColumn<bool>("loop");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("None") << true << true << "None" << false << false << "None";
    QTest::newRow("Playlist") << true << false << "Playlist" << false << true << "Playlist";
    // Repeat disables the loop box and leaves its value for when repeat is turned off again.
    QTest::newRow("Track, loop was on") << false << true << "Track" << true << true << "Track";
    QTest::newRow("Track, loop was off") << false << false << "Track" << true << false << "Track";
    QTest::newRow("unknown text changes nothing")
        << false << true << "Shuffle" << false << true << "Playlist";
}

void MprisCommandsTest::loopStatusWrittenAndReadBack()
{
    QFETCH(bool, repeatBefore);
    QFETCH(bool, loopBefore);
    QFETCH(QString, written);
    QFETCH(bool, repeat);
    QFETCH(bool, loop);
    QFETCH(QString, readBack);
    t->setRepeat(repeatBefore);
    t->setLoop(loopBefore);
    t->window->chkPlayRepeat_Click();

    client->setPlayerProperty("LoopStatus", written);
    QCOMPARE(t->window->chkPlayRepeat->isChecked(), repeat);
    QCOMPARE(t->window->chkPlayLoop->isChecked(), loop);
    QCOMPARE(t->window->chkPlayLoop->isEnabled(), !repeat);
    QCOMPARE(client->playerProperty("LoopStatus"), QVariant(readBack));
}

void MprisCommandsTest::loopStatusReadsTheBoxes_data()
{
    QTest::addColumn<Qt::CheckState>("repeat");
    QTest::addColumn<Qt::CheckState>("loop");
    QTest::addColumn<QString>("status");

    QTest::newRow("both off") << Qt::Unchecked << Qt::Unchecked << "None";
    QTest::newRow("loop") << Qt::Unchecked << Qt::Checked << "Playlist";
    QTest::newRow("repeat") << Qt::Checked << Qt::Unchecked << "Track";
    QTest::newRow("both: repeat wins") << Qt::Checked << Qt::Checked << "Track";
    // The end of a song counts a grey box as on.
    QTest::newRow("grey loop") << Qt::Unchecked << Qt::PartiallyChecked << "Playlist";
}

void MprisCommandsTest::loopStatusReadsTheBoxes()
{
    QFETCH(Qt::CheckState, repeat);
    QFETCH(Qt::CheckState, loop);
    QFETCH(QString, status);
    t->window->chkPlayRepeat->setTristate(true);
    t->window->chkPlayLoop->setTristate(true);
    t->window->chkPlayRepeat->setCheckState(repeat);
    t->window->chkPlayLoop->setCheckState(loop);
    QCOMPARE(client->playerProperty("LoopStatus"), QVariant(status));
}

void MprisCommandsTest::readOnlyAndUnsupported()
{
    // No speed or volume control: a client's setting is taken, and the client is told that
    // the value stayed at 1, so a desktop's slider springs back instead of showing an error.
    for (const auto &[name, requested] : {std::pair{"Volume", 0.5}, std::pair{"Rate", 2.0}}) {
        client->changes.clear();
        QCOMPARE(client->setPlayerProperty(name, requested).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(client->playerProperty(name), QVariant(1.0));
        QTRY_COMPARE(client->lastChange(name), QVariant(1.0));
    }
    const QDBusMessage opened = client->player("OpenUri", {"file:///music/a.mp3"});
    QCOMPARE(opened.type(), QDBusMessage::ErrorMessage);
    QCOMPARE(opened.errorName(), QStringLiteral("org.freedesktop.DBus.Error.NotSupported"));
    QVERIFY(t->fakes->player.calls.isEmpty());
}

void MprisCommandsTest::secondPlayerGetsAnInstanceName()
{
    QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "other");
    PlaybackWindow second;
    {
        MprisService secondService(*second.window, other);
        QVERIFY(secondService.isRegistered());
        QCOMPARE(secondService.serviceName(),
            QStringLiteral("org.mpris.MediaPlayer2.brenlowick.instance%1")
                .arg(QCoreApplication::applicationPid()));
        second.fillList(1);
        second.startSong(0);
        MprisBusClient secondClient(secondService.serviceName());
        QCOMPARE(secondClient.playerProperty("PlaybackStatus"), QVariant("Playing"));
        QCOMPARE(client->playerProperty("PlaybackStatus"), QVariant("Stopped"));
    }
    QDBusConnection::disconnectFromBus("other");
}

void MprisCommandsTest::withoutABusThePlayerRunsSilently()
{
    PlaybackWindow lone;
    const QDBusConnection noBus
        = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), "none");
    QVERIFY(!noBus.isConnected());
    MprisService offline(*lone.window, noBus);
    QVERIFY(!offline.isRegistered());
    QVERIFY(offline.serviceName().isEmpty());

    lone.fillList(2);
    lone.startSong(0);
    QTest::mouseClick(lone.window->cmdPlayPanel[4], Qt::LeftButton);
    QCOMPARE(lone.window->CurrentSong, 1);
    QVERIFY(lone.fakes->messageBox.shown.empty());
    QDBusConnection::disconnectFromBus("none");
}

QTEST_MAIN(MprisCommandsTest)
#include "test_mpris_commands.moc"
