// Files that are not what their names promise, and names and paths at the system's limits: each
// ends in the documented error (5, not MP3 audio) or plays, and the same engine then plays the
// next good song. Large inputs are made here, in a temporary folder, never kept in the tree.

#include "bad_songs.h"
#include "engine_test_support.h"

#include "app/app_error.h"
#include "engine/mp3_engine.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace BadSongs;
using namespace EngineTest;
namespace fs = std::filesystem;

class BadSongFilesTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Mp3Engine> m_engine;

    // The player keeps working: the next good song opens, plays and ends.
    void playGoodSong()
    {
        QSignalSpy ends(m_engine.get(), &MediaPlayer::EndOfStream);
        m_engine->setFileName(fixture("sine_440_cbr.mp3"));
        QCOMPARE(m_engine->Duration(), 1.0);
        m_engine->Play();
        QTRY_COMPARE(ends.count(), 1);
        QCOMPARE(m_engine->CurrentPosition(), 1.0);
    }

    // Plays the song at path to its end, its tags read on the way. A file cut short ends
    // where its audio does, and its length is what it holds.
    void playToEnd(const fs::path &path, const QString &title)
    {
        QSignalSpy ends(m_engine.get(), &MediaPlayer::EndOfStream);
        m_engine->setFileName(path);
        QVERIFY(m_engine->Duration() > 0.0);
        m_engine->Play();
        QCOMPARE(m_engine->GetMediaInfoString(MediaInfo::Title), title);
        QTRY_COMPARE(ends.count(), 1);
        QCOMPARE(m_engine->CurrentPosition(), m_engine->Duration());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("SDL_DISKAUDIOFILE", "/dev/null");
        qputenv("SDL_DISKAUDIODELAY", "0");
        m_engine = std::make_unique<Mp3Engine>();
    }

    void cleanupTestCase()
    {
        m_engine.reset();
        // QTemporaryDir cannot remove names that are not UTF-8.
        fs::remove_all(m_dir.path().toStdString());
    }

    void badContentIsRefusedOrPlayed_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("error"); // 0: the file plays
        QTest::addColumn<QString>("title");
        QTest::newRow("empty file named x.mp3") << "empty" << ErrNo::InvalidArgument << "";
        QTest::newRow("one byte") << "one byte" << ErrNo::InvalidArgument << "";
        QTest::newRow("JPEG named .mp3") << "jpeg" << ErrNo::InvalidArgument << "";
        QTest::newRow("10 MB of zeros") << "zeros" << ErrNo::InvalidArgument << "";
        QTest::newRow("ID3v2 tag declaring 100 MB") << "huge tag" << ErrNo::InvalidArgument << "";
        // For a file that does not play, `title` is what its report must say.
        QTest::newRow("ID3v2 tag and no audio")
            << "tags only" << ErrNo::InvalidArgument << QStringLiteral("音声のフレームが見つかりません: ");
        QTest::newRow("ID3v2 frame running past the end") << "frame past the end" << 0 << "";
        QTest::newRow("cut in the middle of a frame") << "cut mid-frame" << 0 << "";
    }

    void badContentIsRefusedOrPlayed()
    {
        QFETCH(QString, kind);
        QFETCH(int, error);
        QFETCH(QString, title);
        const fs::path path = fs::path(m_dir.path().toStdString()) / "x.mp3";
        writeBytes(path, badSong(kind));
        if (error != 0) {
            try {
                m_engine->setFileName(path);
                QFAIL("a file that is not MP3 audio was opened");
            } catch (const AppError &caught) {
                QCOMPARE(caught.number(), error);
                QVERIFY2(caught.description().contains(title)
                             && caught.description().contains(QString::fromStdString(path.native()))
                             && !caught.description().contains(QStringLiteral("libmpg123")),
                         qPrintable(caught.description()));
            }
            // Nothing half-open is left behind.
            QCOMPARE(m_engine->Duration(), 0.0);
            QCOMPARE(m_engine->GetMediaInfoString(MediaInfo::Title), QString());
            m_engine->Play();
        } else {
            playToEnd(path, title);
        }
        playGoodSong();
    }

    void namesAndPathsAtTheLimits_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("every byte from 0x80 to 0xFF in the name") << "high bytes";
        QTest::newRow("path of 4,000 bytes") << "long path";
    }

    void namesAndPathsAtTheLimits()
    {
        QFETCH(QString, kind);
        fs::path path = fs::path(m_dir.path().toStdString());
        if (kind == "high bytes") {
            std::string name;
            for (int byte = 0x80; byte <= 0xff; ++byte)
                name.push_back(static_cast<char>(byte));
            path /= name + ".mp3";
        } else {
            // Folders of 200-byte names, under the 255 a name may have, to just below the
            // 4,096 bytes the system takes in one path.
            while (path.native().size() < 4000 - 210)
                path /= std::string(200, 'd');
            fs::create_directories(path);
            path /= std::string(4000 - path.native().size() - 5, 's') + ".mp3";
            QCOMPARE(path.native().size(), size_t(4000));
        }
        writeBytes(path, fixtureBytes("tags_id3v24_utf8.mp3"));
        playToEnd(path, QStringLiteral("月の光"));
        playGoodSong();
    }
};

QTEST_GUILESS_MAIN(BadSongFilesTest)
#include "bad_song_files_test.moc"
