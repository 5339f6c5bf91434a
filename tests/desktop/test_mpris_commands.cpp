#include "desktop/mpris_rules.h"
#include "mpris_bus_client.h"
#include "window/playback_fixture.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QRegularExpression>
#include <QTest>

#include <memory>
#include <utility>

// The player's methods and properties, called the way media keys and desktop widgets call
// them: through the session bus, on the window with the fake player. Commands are answered
// before their handlers run: a handler that fails shows a modal box, and a caller kept waiting
// behind it gives up (a media-key daemon after 25 s).
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
    void loopStatusWrittenAndReadBack_data();
    void loopStatusWrittenAndReadBack();
    void loopStatusReadsTheBoxes_data();
    void loopStatusReadsTheBoxes();
    void readOnlyAndUnsupported();
    void secondPlayerGetsAnInstanceName();
    void withoutABusThePlayerRunsSilently();

private:
    // Far longer than an answer takes, far shorter than the test's own limit.
    static constexpr int AnswerLimitMs = 10000;

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
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("failingCall");
    QTest::addColumn<QStringList>("playerCalls");
    QTest::addColumn<QString>("statusAfter");

    // Song 2 of 3 plays at 42.5 s, loop on. Calls are "Method", "Method:<microseconds>" or
    // "Property=value", sent together without waiting, as a media-key daemon sends them.
    const auto row
        = [](const char *name, QStringList calls, QString failing, QStringList playerCalls,
              QString status) { QTest::newRow(name) << calls << failing << playerCalls << status; };
    const QString song1 = "FileName:/music/album/song1.mp3";
    const QString song3 = "FileName:/music/album/song3.mp3";
    row("Play", {"Play"}, "", {"Play"}, "Playing");
    row("Pause", {"Pause"}, "", {"Pause"}, "Paused");
    row("Stop", {"Stop"}, "", {"Stop", "SetPosition:0"}, "Stopped");
    row("Next", {"Next"}, "", {song3, "Play"}, "Playing");
    row("Previous", {"Previous"}, "", {song1, "Play"}, "Playing");
    // The handler's player call fails (no sound server) and its box waits for the user: the
    // caller has had its answer by then.
    row("Play fails", {"Play"}, "Play", {"Play"}, "Playing");
    row("Pause fails", {"Pause"}, "Pause", {"Pause"}, "Playing");
    row("PlayPause fails", {"PlayPause"}, "Pause", {"Pause"}, "Playing");
    row("Stop fails", {"Stop"}, "Stop", {"Stop"}, "Playing");
    row("Next fails", {"Next"}, "FileName", {song3}, "Playing");
    row("Previous fails", {"Previous"}, "FileName", {song1}, "Playing");
    row("Seek fails", {"Seek:1000000"}, "SetPosition", {"SetPosition:43.5"}, "Playing");
    row("SetPosition fails", {"SetPosition:1000000"}, "SetPosition", {"SetPosition:1"}, "Playing");
    // Each handler acts on what the one before it left.
    row("stop, play", {"Stop", "Play"}, "", {"Stop", "SetPosition:0", "Play"}, "Playing");
    row("stop, play-pause", {"Stop", "PlayPause"}, "", {"Stop", "SetPosition:0", "Play"},
        "Playing");
    row("play-pause twice", {"PlayPause", "PlayPause"}, "", {"Pause", "Play"}, "Playing");
    row("seek twice", {"Seek:10000000", "Seek:10000000"}, "",
        {"SetPosition:52.5", "SetPosition:62.5"}, "Playing");
    row("next twice, then loop off", {"Next", "Next", "LoopStatus=None"}, "",
        {song3, "Play", song1, "Play"}, "Playing");
}

void MprisCommandsTest::commandsRunTheButtonHandler()
{
    QFETCH(QStringList, calls);
    QFETCH(QString, failingCall);
    QFETCH(QStringList, playerCalls);
    QFETCH(QString, statusAfter);
    t->setLoop(true);
    t->fillList(3);
    t->startSong(1);
    t->fakes->player.position = 42.5;
    if (!failingCall.isEmpty())
        t->fakes->player.failNext[failingCall] = ErrNo::E_FAIL_CODE;
    RecordingMessageBox &box = t->fakes->messageBox;
    box.modal = true;

    QList<QDBusPendingCall> answers;
    for (const QString &call : calls) {
        const QString method = call.section(QRegularExpression("[:=]"), 0, 0);
        QVariantList arguments;
        if (method == "SetPosition")
            arguments << QVariant::fromValue(Mpris::trackIdFor(1));
        if (call.contains(':'))
            arguments << call.section(':', 1).toLongLong();
        answers << (call.contains('=')
                ? client->send("org.freedesktop.DBus.Properties", "Set",
                    {PlayerInterface, method,
                        QVariant::fromValue(QDBusVariant(call.section('=', 1)))})
                : client->send(PlayerInterface, method, arguments, AnswerLimitMs));
    }
    // The user reads the box until the caller has had its answer, however long that takes.
    QDBusPendingCallWatcher lastAnswer(answers.last());
    connect(&lastAnswer, &QDBusPendingCallWatcher::finished, this, [&box] { box.dismiss(); });
    for (const QDBusPendingCall &answer : answers) {
        QTRY_VERIFY_WITH_TIMEOUT(answer.isFinished(), 3 * AnswerLimitMs);
        QCOMPARE(answer.reply().errorName(), QString());
    }
    QCOMPARE(box.shown.size(), size_t(failingCall.isEmpty() ? 0 : 1));
    QCOMPARE(t->fakes->player.calls, playerCalls);
    // What a caller reads once it has its answer: the state the handlers left.
    QCOMPARE(client->playerProperty("PlaybackStatus"), QVariant(statusAfter));
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
    for (const auto &[name, requested] : {std::pair {"Volume", 0.5}, std::pair {"Rate", 2.0}}) {
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
