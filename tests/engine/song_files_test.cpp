// Song files as they come: missing, not MP3 at all, cut short, named in bytes that are not
// UTF-8, tagged every way taggers write; each fails with its error or plays to its end, and the
// same engine goes on with the next song. The engine writes through SDL's disk driver.

#include "engine_test_support.h"

#include "app/app_error.h"
#include "engine/mp3_engine.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace EngineTest;

class SongFilesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_pcmFile;

    std::unique_ptr<Mp3Engine> makeEngine()
    {
        m_pcmFile = m_dir.filePath(QStringLiteral("out.raw"));
        qputenv("SDL_DISKAUDIOFILE", m_pcmFile.toLocal8Bit());
        qputenv("SDL_DISKAUDIODELAY", "0");
        return std::make_unique<Mp3Engine>();
    }

    // The device writes silence while idle: proof that audio time has passed.
    bool waitForDeviceTime(qint64 bytes = 1 << 20)
    {
        const qint64 start = fileSize(m_pcmFile);
        return QTest::qWaitFor([&] { return fileSize(m_pcmFile) > start + bytes; }, 10000);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void badFilesFailAndTheNextOnePlays_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("missing") << "no_such_song.mp3" << int(ErrNo::FileNotFound) << "";
        QTest::newRow("inside a file")
            << "sine_440_cbr.mp3/x.mp3" << int(ErrNo::PathNotFound) << "";
        QTest::newRow("a folder") << "." << int(ErrNo::PathFileAccess) << "";
        QTest::newRow("empty") << "bad_empty.mp3" << int(ErrNo::InvalidArgument) << "空";
        QTest::newRow("text") << "bad_text.mp3" << int(ErrNo::InvalidArgument) << "bad_text.mp3";
        QTest::newRow("random bytes")
            << "bad_random.mp3" << int(ErrNo::InvalidArgument) << "bad_random.mp3";
    }

    void badFilesFailAndTheNextOnePlays()
    {
        QFETCH(QString, name);
        QFETCH(int, number);
        QFETCH(QString, mentions);
        auto engine = makeEngine();
        QSignalSpy ends(engine.get(), &MediaPlayer::EndOfStream);
        engine->setFileName(fixture("sine_440_cbr.mp3"));
        engine->Play();
        try {
            engine->setFileName(fixture(name.toUtf8().constData()));
            QFAIL("no error");
        } catch (const AppError &error) {
            QCOMPARE(error.number(), number);
            QVERIFY(error.description().startsWith(describeError(number))
                || error.description().startsWith(QStringLiteral("MP3 として")));
            QVERIFY(error.description().contains(mentions));
        }
        // The earlier song was released with the failure, and nothing plays now.
        QCOMPARE(engine->Duration(), 0.0);
        QCOMPARE(engine->GetMediaInfoString(MediaInfo::Title), QString());
        engine->Play();
        QCOMPARE(engine->CurrentPosition(), 0.0);
        QCOMPARE(ends.count(), 0);

        engine->setFileName(fixture("tags_none.mp3"));
        engine->Play();
        QTRY_COMPARE(ends.count(), 1);
    }

    void damagedStreamsEnd_data()
    {
        QTest::addColumn<qint64>("keep");
        QTest::newRow("cut in the middle") << qint64(4000);
        QTest::newRow("header and a frame") << qint64(700);
    }

    void damagedStreamsEnd()
    {
        QFETCH(qint64, keep);
        QFile source(QString::fromStdString(fixture("sine_440_cbr.mp3").string()));
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QString cut = m_dir.filePath(QStringLiteral("cut.mp3"));
        QFile out(cut);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(source.read(keep));
        out.close();

        auto engine = makeEngine();
        QSignalSpy ends(engine.get(), &MediaPlayer::EndOfStream);
        engine->setFileName(cut.toStdString());
        engine->Play();
        QTRY_COMPARE(ends.count(), 1);
        // The length is what the file holds, not what its header promised for the whole song.
        QVERIFY(engine->Duration() < 1.0);
        QCOMPARE(engine->CurrentPosition(), engine->Duration());
        // Shorter than a device buffer, the clip is decoded to its end while Play starts it;
        // that end is announced once all the same.
        QVERIFY(waitForDeviceTime());
        QCOMPARE(ends.count(), 1);
    }

    void nameThatIsNotUtf8Plays()
    {
        const std::filesystem::path name
            = std::filesystem::path(m_dir.path().toStdString()) / "\xff\xfe\x8f\x74.mp3";
        std::filesystem::copy_file(fixture("tags_latin1_bjork.mp3"), name);
        auto engine = makeEngine();
        QSignalSpy ends(engine.get(), &MediaPlayer::EndOfStream);
        engine->setFileName(name);
        QVERIFY(engine->Duration() > 0.3);
        QCOMPARE(engine->GetMediaInfoString(MediaInfo::Author), QStringLiteral("Björk"));
        engine->Play();
        QTRY_COMPARE(ends.count(), 1);
        // QTemporaryDir cannot name it for removal.
        std::filesystem::remove(name);
    }

    void tagsAreReadAndDecoded_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("author");
        QTest::newRow("no tag") << "tags_none.mp3"
                                << ""
                                << "";
        QTest::newRow("ID3v2.3 UTF-16") << "tags_id3v23_utf16.mp3"
                                        << "春の海"
                                        << "宮城道雄";
        QTest::newRow("ID3v2.4 UTF-8") << "tags_id3v24_utf8.mp3"
                                       << "月の光"
                                       << "Ravel & Debussy";
        QTest::newRow("ID3v2.2") << "tags_id3v22_latin1.mp3"
                                 << "Old Tagger Title"
                                 << "Old Tagger Artist";
        QTest::newRow("ID3v1 Shift-JIS") << "tags_id3v1_sjis.mp3"
                                         << "春の海"
                                         << "宮城道雄";
        QTest::newRow("ID3v1 cut inside a character") << "tags_id3v1_cut.mp3"
                                                      << "01 春の海 宮城道雄 箏と尺八の"
                                                      << "Café Olé";
        QTest::newRow("Latin-1 frames holding Shift-JIS") << "tags_id3v2_latin1_sjis.mp3"
                                                          << "ﾊﾙﾉｳﾐ"
                                                          << "宮城道雄";
        QTest::newRow("real Latin-1") << "tags_latin1_bjork.mp3"
                                      << "Café del Mar"
                                      << "Björk";
        QTest::newRow("APE") << "tags_ape.mp3"
                             << "六段の調"
                             << "八橋検校";
        QTest::newRow("ID3v2 title, ID3v1 author") << "tags_v2_title_v1_artist.mp3"
                                                   << "From ID3v2"
                                                   << "From ID3v1";
        QTest::newRow("damaged ID3v2") << "tags_damaged.mp3"
                                       << ""
                                       << "";
    }

    void tagsAreReadAndDecoded()
    {
        QFETCH(QString, file);
        QFETCH(QString, title);
        QFETCH(QString, author);
        auto engine = makeEngine();
        engine->setFileName(fixture(file.toUtf8().constData()));
        QCOMPARE(engine->GetMediaInfoString(MediaInfo::Title), title);
        QCOMPARE(engine->GetMediaInfoString(MediaInfo::Author), author);
        QCOMPARE(engine->GetMediaInfoString(3), QString());
        // Whatever the tags, the song plays.
        QSignalSpy ends(engine.get(), &MediaPlayer::EndOfStream);
        engine->Play();
        QTRY_COMPARE(ends.count(), 1);
    }
};

QTEST_GUILESS_MAIN(SongFilesTest)
#include "song_files_test.moc"
