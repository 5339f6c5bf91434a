// What can happen to a song while it plays: its file is deleted or cut short, or the audio
// device goes away. The song ends (and the end-of-song rules go on) or the failure is reported,
// never a crash or a song that silently plays on into nothing; and the engine plays again.

#include "engine_test_support.h"

#include "app/app_error.h"
#include "engine/mp3_decoder.h"
#include "engine/mp3_engine.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>

using namespace EngineTest;
namespace fs = std::filesystem;

class SongFaultsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    fs::path m_song;

    // Started, with its first buffer handed over, and paused there.
    void startAndPause(Mp3Engine &engine)
    {
        engine.setFileName(m_song);
        engine.Play();
        QVERIFY(spinUntil([&] { return engine.framesHandedToDevice() > 0; }));
        engine.Pause();
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void init()
    {
        m_song = fs::path(m_dir.path().toStdString()) / "long.mp3";
        QVERIFY(writeLongSong(m_song));
        qputenv("SDL_DISKAUDIOFILE", "/dev/null");
        // Several times faster than real time, and still a whole song takes seconds: the
        // tests act on it long before it could end by itself.
        qputenv("SDL_DISKAUDIODELAY", "10");
    }

    void fileChangedWhilePlaying_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<bool>("playsToItsEnd");
        // The open file lives on until the engine lets go of it.
        QTest::newRow("deleted") << "delete" << true;
        QTest::newRow("cut short") << "truncate" << false;
        QTest::newRow("emptied") << "empty" << false;
    }

    void fileChangedWhilePlaying()
    {
        QFETCH(QString, change);
        QFETCH(bool, playsToItsEnd);
        Mp3Engine engine;
        QSignalSpy ends(&engine, &MediaPlayer::EndOfStream);
        startAndPause(engine);
        const double duration = engine.Duration();
        if (change == "delete")
            fs::remove(m_song);
        else
            fs::resize_file(m_song, change == "truncate" ? 20000 : 0);

        engine.Play();
        QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, 60000);
        if (playsToItsEnd)
            QCOMPARE(engine.CurrentPosition(), engine.Duration());
        else
            QVERIFY(engine.CurrentPosition() < duration / 2);

        // Played again from the start, what is left of the file plays and ends once more.
        engine.Play();
        QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 2, 60000);
        engine.setFileName(fixture("sine_440_cbr.mp3"));
        engine.Play();
        QTRY_COMPARE(ends.count(), 3);
        QCOMPARE(engine.CurrentPosition(), 1.0);
    }

    void deviceRemovedMidSong()
    {
        const QString output = m_dir.filePath(QStringLiteral("device.raw"));
        qputenv("SDL_DISKAUDIOFILE", output.toLocal8Bit());
        Mp3Engine engine;
        QSignalSpy ends(&engine, &MediaPlayer::EndOfStream);
        engine.setFileName(m_song);
        const double duration = engine.Duration();

        // The disk driver gives up its device when a write fails, as a sound card does when
        // it is unplugged: here after ten buffers.
        FileSizeLimit limit(10 * 4096 * Mp3Decoder::BytesPerFrame);
        engine.Play();
        // The position is what the window asks for while a song plays, and what the desktop's
        // media controls ask for too: whoever reads first, every read fails until a command.
        const auto readFailure = [&]() -> int32_t {
            try {
                engine.CurrentPosition();
                return 0;
            } catch (const AppError &error) {
                return error.number();
            }
        };
        int32_t failure = 0;
        const auto firstFailure = [&] {
            if (failure == 0)
                failure = readFailure();
            return failure != 0;
        };
        QTRY_VERIFY(firstFailure());
        limit.lift();
        QCOMPARE(failure, ErrNo::E_FAIL_CODE);
        QCOMPARE(readFailure(), ErrNo::E_FAIL_CODE);
        QCOMPARE(ends.count(), 0);
        // Halted where the sound stopped, not running on into nothing.
        engine.Pause();
        const double stoppedAt = engine.CurrentPosition();
        QVERIFY(stoppedAt > 0.0 && stoppedAt < duration);

        // A device is back: Play opens it and the song plays on to its end.
        qputenv("SDL_DISKAUDIODELAY", "0");
        engine.Play();
        QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, 60000);
        QCOMPARE(engine.CurrentPosition(), engine.Duration());
    }
};

QTEST_GUILESS_MAIN(SongFaultsTest)
#include "song_faults_test.moc"
