#include "mpris_bus_client.h"
#include "window/playback_fixture.h"

#include <QDBusObjectPath>
#include <QTest>

#include <memory>

// What the player tells desktop widgets on its own: PropertiesChanged whenever something they
// show changes, whoever changed it, and Seeked when the position jumps.
class MprisAnnouncementsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void songChangeAnnouncesTheNewSong_data();
    void songChangeAnnouncesTheNewSong();
    void transportAnnouncesStatusAndCommands_data();
    void transportAnnouncesStatusAndCommands();
    void playModeBoxesAnnounceLoopStatus();
    void newListAnnouncedOnceInItsFinalState();
    void nothingChangedNothingAnnounced();
    void positionJumpsAreSeeked_data();
    void positionJumpsAreSeeked();

private:
    QString trackOf(const QVariant &metadata) const
    {
        return metadata.toMap().value("mpris:trackid").value<QDBusObjectPath>().path();
    }
    // Starts a song and waits until its announcement is in, then forgets what was heard.
    void startAndSettle(int entry)
    {
        t->startSong(entry);
        QTRY_COMPARE(trackOf(client->lastChange("Metadata")),
            QStringLiteral("/io/github/brenlowick/track/%1").arg(entry));
        client->roundTrip();
        client->changes.clear();
        client->seeks.clear();
    }

    std::unique_ptr<PlaybackWindow> t;
    std::unique_ptr<MprisService> service;
    std::unique_ptr<MprisBusClient> client;
};

void MprisAnnouncementsTest::init()
{
    t = std::make_unique<PlaybackWindow>();
    service = std::make_unique<MprisService>(*t->window);
    QVERIFY(service->isRegistered());
    client = std::make_unique<MprisBusClient>();
}

void MprisAnnouncementsTest::cleanup()
{
    client.reset();
    service.reset();
    t.reset();
}

void MprisAnnouncementsTest::songChangeAnnouncesTheNewSong_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("entry");

    QTest::newRow("next over the bus") << "bus Next" << 2;
    QTest::newRow("next button") << "button 4" << 2;
    QTest::newRow("tray menu previous") << "menu 3" << 0;
    QTest::newRow("list clicked") << "select 0" << 0;
    QTest::newRow("song ended, loop on") << "end" << 2;
}

void MprisAnnouncementsTest::songChangeAnnouncesTheNewSong()
{
    QFETCH(QString, how);
    QFETCH(int, entry);
    t->setLoop(true);
    t->fillList(3);
    startAndSettle(1);

    if (how == "bus Next")
        client->player("Next");
    else if (how == "button 4")
        QTest::mouseClick(t->window->cmdPlayPanel[4], Qt::LeftButton);
    else if (how == "menu 3")
        t->window->mnuPlayControl[3]->trigger();
    else if (how == "select 0")
        t->select(0);
    else
        t->fakes->player.finishSong();

    QTRY_VERIFY(client->lastChange("Metadata").isValid());
    const QVariantMap metadata = client->lastChange("Metadata").toMap();
    QCOMPARE(trackOf(metadata), QStringLiteral("/io/github/brenlowick/track/%1").arg(entry));
    QCOMPARE(metadata.value("xesam:title"), QVariant(QStringLiteral("Title %1").arg(entry + 1)));
    QCOMPARE(metadata.value("xesam:artist"),
        QVariant(QStringList {QStringLiteral("Artist %1").arg(entry + 1)}));
    QCOMPARE(metadata.value("xesam:url"),
        QVariant(QStringLiteral("file:///music/album/song%1.mp3").arg(entry + 1)));
    // One announcement for the whole change, holding what a widget shows beside the title.
    QCOMPARE(client->changes.size(), 1);
}

void MprisAnnouncementsTest::transportAnnouncesStatusAndCommands_data()
{
    QTest::addColumn<QList<int>>("commands");
    QTest::addColumn<QVariantMap>("announced");

    QTest::newRow("pause") << QList<int> {1} << QVariantMap {{"PlaybackStatus", "Paused"}};
    QTest::newRow("pause, play") << QList<int> {1, 0}
                                 << QVariantMap {{"PlaybackStatus", "Playing"}};
    QTest::newRow("stop") << QList<int> {2}
                          << QVariantMap {{"PlaybackStatus", "Stopped"}, {"CanPause", false}};
    QTest::newRow("stop, play") << QList<int> {2, 0}
                                << QVariantMap {{"PlaybackStatus", "Playing"}, {"CanPause", true}};
}

void MprisAnnouncementsTest::transportAnnouncesStatusAndCommands()
{
    QFETCH(QList<int>, commands);
    QFETCH(QVariantMap, announced);
    t->fillList(3);
    startAndSettle(1);

    // Each command through the button, and the announcements waited for one by one.
    for (int command : commands) {
        QTest::mouseClick(t->window->cmdPlayPanel[command], Qt::LeftButton);
        const int before = client->changes.size();
        QTRY_COMPARE(client->changes.size(), before + 1);
    }
    for (auto it = announced.cbegin(); it != announced.cend(); ++it)
        QCOMPARE(client->lastChange(it.key()), it.value());
}

void MprisAnnouncementsTest::playModeBoxesAnnounceLoopStatus()
{
    t->setRepeat(false);
    t->setLoop(false);
    client->roundTrip();
    client->changes.clear();

    QTest::mouseClick(t->window->chkPlayLoop, Qt::LeftButton);
    QTRY_COMPARE(client->lastChange("LoopStatus"), QVariant("Playlist"));
    QTest::mouseClick(t->window->chkPlayRepeat, Qt::LeftButton);
    QTRY_COMPARE(client->lastChange("LoopStatus"), QVariant("Track"));
    QVERIFY(!t->window->chkPlayLoop->isEnabled());
    // Written over the bus, announced to every widget as well.
    client->setPlayerProperty("LoopStatus", "None");
    QTRY_COMPARE(client->lastChange("LoopStatus"), QVariant("None"));
}

void MprisAnnouncementsTest::newListAnnouncedOnceInItsFinalState()
{
    // The get-files command enables the ten commands one by one, then selects entry 0: a
    // widget hears of it once, with everything in place.
    t->setLoop(false);
    t->fillList(3);
    t->select(0);
    QTRY_COMPARE(client->changes.size(), 1);
    const QVariantMap change = client->changes.first();
    QCOMPARE(change.value("PlaybackStatus"), QVariant("Playing"));
    QCOMPARE(change.value("CanPlay"), QVariant(true));
    QCOMPARE(change.value("CanPause"), QVariant(true));
    QCOMPARE(change.value("CanGoNext"), QVariant(true));
    QCOMPARE(change.value("CanSeek"), QVariant(true));
    // Still off on the first song with loop off: not announced, it never changed.
    QVERIFY(!change.contains("CanGoPrevious"));
    QCOMPARE(trackOf(change.value("Metadata")), QStringLiteral("/io/github/brenlowick/track/0"));
}

void MprisAnnouncementsTest::nothingChangedNothingAnnounced()
{
    t->fillList(3);
    startAndSettle(1);
    // Play while playing changes nothing a widget shows; then a real change, to know the
    // first one would have arrived by now.
    client->player("Play");
    client->player("Pause");
    QTRY_VERIFY(client->lastChange("PlaybackStatus").isValid());
    QCOMPARE(client->changes.size(), 1);
    QCOMPARE(client->changes.first(), QVariantMap({{"PlaybackStatus", "Paused"}}));
}

void MprisAnnouncementsTest::positionJumpsAreSeeked_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<qlonglong>("seeked");

    QTest::newRow("slider click") << "slider" << qlonglong(60000000);
    QTest::newRow("song restarts under repeat") << "repeat" << qlonglong(0);
    QTest::newRow("list entry clicked again") << "reselect" << qlonglong(0);
}

void MprisAnnouncementsTest::positionJumpsAreSeeked()
{
    QFETCH(QString, how);
    QFETCH(qlonglong, seeked);
    t->fillList(3);
    startAndSettle(1);
    t->fakes->player.position = 100.0;

    if (how == "slider") {
        t->window->Slider->setValue(60);
        Q_EMIT t->window->Slider->Click();
    } else if (how == "repeat") {
        t->setRepeat(true);
        t->fakes->player.finishSong();
    } else {
        t->select(1);
    }
    QTRY_COMPARE(client->seeks, QList<qlonglong> {seeked});
    // The same song: no new metadata, so the widget keeps its track and moves its position.
    client->roundTrip();
    QVERIFY(!client->lastChange("Metadata").isValid());
}

QTEST_MAIN(MprisAnnouncementsTest)
#include "test_mpris_announcements.moc"
