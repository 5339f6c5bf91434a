// The window's list playback on the real engine, through SDL's disk driver: songs follow one
// another in list order, the display follows them, and loop decides what comes after the last.

#include "app/main_window.h"
#include "fakes/fake_platform.h"
#include "engine/mp3_engine.h"
#include "songlist/song_list_view.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// ID3v1: fixed fields, padded with zero bytes.
QByteArray id3v1Tag(const QByteArray &title, const QByteArray &artist)
{
    auto field = [](QByteArray text, int size) {
        text.truncate(size);
        return text.leftJustified(size, '\0');
    };
    return "TAG" + field(title, 30) + field(artist, 30) + field({}, 30) + field({}, 4)
           + field({}, 30) + QByteArray(1, '\xff');
}

} // namespace

class PlaylistEngineTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void loopPlaysThroughInOrderAndWraps();
    void withoutLoopStopsAfterTheLast();

private:
    struct Session
    {
        FakePlatform fakes;
        Mp3Engine engine;
        Platform platform{engine,       fakes.messageBox, fakes.screen,
                          fakes.tray,   fakes.instanceGuard, fakes.clock,
                          fakes.eventLoop, fakes.process, fakes.drives};
        frmMain window{platform};
        // The display as each song ends, once the window has handled the end.
        QStringList displays;
        // Runs after each end with the number of ends so far.
        std::function<void(qsizetype)> afterEnd;

        QString display() const
        {
            return window.lblPivot->text() + QLatin1Char('|') + window.lblTitle->text()
                   + QLatin1Char('|') + window.lblArtist->text();
        }
    };
    std::unique_ptr<Session> startList(std::function<void(Session &, qsizetype)> afterEnd);

    QTemporaryDir m_dir;
    QStringList m_songs;
};

void PlaylistEngineTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIODELAY", "0");
    qputenv("SDL_DISKAUDIOFILE", m_dir.filePath(QStringLiteral("out.raw")).toLocal8Bit());
    QFile seed(QStringLiteral(BRENLOWICK_TEST_DATA "/sine_440_cbr.mp3"));
    QVERIFY(seed.open(QIODevice::ReadOnly));
    const QByteArray audio = seed.readAll();
    for (int song = 1; song <= 3; ++song) {
        const QString path = m_dir.filePath(QStringLiteral("song%1.mp3").arg(song));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(audio + id3v1Tag("Song " + QByteArray::number(song),
                                   "Artist " + QByteArray::number(song)));
        m_songs << path;
    }
}

std::unique_ptr<PlaylistEngineTest::Session>
PlaylistEngineTest::startList(std::function<void(Session &, qsizetype)> afterEnd)
{
    auto session = std::make_unique<Session>();
    frmMain &window = session->window;
    for (const QString &song : std::as_const(m_songs)) {
        window.SongPaths.push_back(song.toStdString());
        window.SongList->AddItem(song.section(QLatin1Char('/'), -1));
    }
    window.SongList->setEnabled(true);
    for (int index = 0; index < 5; ++index) {
        window.cmdPlayPanel[index]->setEnabled(true);
        window.mnuPlayControl[index]->setEnabled(true);
    }
    window.chkPlayLoop->setChecked(true);
    Session *raw = session.get();
    raw->afterEnd = [raw, afterEnd](qsizetype ends) { afterEnd(*raw, ends); };
    // Connected after the window's own handler, so it sees what the window made of the end.
    connect(&session->engine, &MediaPlayer::EndOfStream, this,
            [raw] {
                raw->displays << raw->display();
                if (raw->afterEnd)
                    raw->afterEnd(raw->displays.size());
            });
    window.SongList->setListIndex(0);
    return session;
}

void PlaylistEngineTest::loopPlaysThroughInOrderAndWraps()
{
    // The disk driver plays far faster than real time: stop once the list has wrapped.
    auto session = startList([](Session &s, qsizetype ends) {
        if (ends == 3)
            s.window.cmdPlayPanel_Click(2);
    });
    QCOMPARE(session->display(), QStringLiteral("1/3|Song 1|Artist 1"));
    QTRY_COMPARE_WITH_TIMEOUT(session->displays.size(), 3, 30000);
    QCOMPARE(session->displays, QStringList({"2/3|Song 2|Artist 2", "3/3|Song 3|Artist 3",
                                             "1/3|Song 1|Artist 1"}));
    QCOMPARE(session->window.CurrentSong, 0);
    QVERIFY(session->fakes.messageBox.shown.empty());
}

void PlaylistEngineTest::withoutLoopStopsAfterTheLast()
{
    // Loop goes off while the last song plays: its end is the end of playback.
    auto session = startList([](Session &s, qsizetype ends) {
        if (ends == 2)
            s.window.chkPlayLoop->setChecked(false);
    });
    QTRY_COMPARE_WITH_TIMEOUT(session->displays.size(), 3, 30000);
    QCOMPARE(session->displays, QStringList({"2/3|Song 2|Artist 2", "3/3|Song 3|Artist 3",
                                             "3/3|Song 3|Artist 3"}));
    frmMain &window = session->window;
    QCOMPARE(window.CurrentSong, 2);
    QVERIFY(!window.CountTimer->isActive());
    QVERIFY(!window.cmdPlayPanel[1]->isEnabled());
    QVERIFY(!window.mnuPlayControl[1]->isEnabled());
    // Nothing was started after the end: the last song stands at its end.
    QCOMPARE(session->engine.CurrentPosition(), session->engine.Duration());
    QVERIFY(session->fakes.messageBox.shown.empty());
}

QTEST_MAIN(PlaylistEngineTest)
#include "playlist_engine_test.moc"
