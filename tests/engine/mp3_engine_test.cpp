// The real engine through SDL's disk driver: what it writes is exactly what was handed to the
// device, so the tests compare it with a bare libmpg123 decode of the same file.

#include "engine_test_support.h"

#include "app/app_error.h"
#include "engine/mp3_engine.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <QDir>

#include <fstream>
#include <memory>

using namespace EngineTest;

namespace {

// Threads of SDL's that run an open playback device ("SDLAudioP1" and so on).
int audioDeviceThreads()
{
    int threads = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(tasks.filePath(task + QStringLiteral("/comm")));
        if (name.open(QIODevice::ReadOnly) && name.readAll().startsWith("SDLAudioP"))
            ++threads;
    }
    return threads;
}

} // namespace

class Mp3EngineTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_pcmFile;
    int m_outputCount = 0;

    // A fresh engine writing to a fresh PCM file. The disk driver reads the file name when
    // the device opens, at the engine's first Play, and starts the file afresh whenever the
    // device is opened again.
    std::unique_ptr<Mp3Engine> makeEngine(
        const char *diskDelayMs = "0", Mp3Engine::Options options = {})
    {
        m_pcmFile = m_dir.filePath(QStringLiteral("out%1.raw").arg(++m_outputCount));
        qputenv("SDL_DISKAUDIOFILE", m_pcmFile.toLocal8Bit());
        if (*diskDelayMs != '\0')
            qputenv("SDL_DISKAUDIODELAY", diskDelayMs);
        else
            qunsetenv("SDL_DISKAUDIODELAY");
        return std::make_unique<Mp3Engine>(nullptr, options);
    }

    // An engine that closes its device as soon as playback is halted with nothing left to
    // hand over.
    std::unique_ptr<Mp3Engine> makeEagerlyClosingEngine(const char *diskDelayMs)
    {
        Mp3Engine::Options options;
        options.idleDeviceGrace = std::chrono::milliseconds(0);
        return makeEngine(diskDelayMs, options);
    }

    // The device writes silence while idle: proof that audio time has passed.
    bool waitForDeviceTime(qint64 bytes = 1 << 20)
    {
        const qint64 start = fileSize(m_pcmFile);
        return QTest::qWaitFor([&] { return fileSize(m_pcmFile) > start + bytes; }, 10000);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void durationIsExact_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("needsScan");
        QTest::newRow("CBR with Info header") << "sine_440_cbr.mp3" << false;
        QTest::newRow("VBR without Xing header") << "vbr_no_xing.mp3" << true;
        QTest::newRow("CBR without header, APE tag behind") << "tags_ape.mp3" << true;
    }

    void durationIsExact()
    {
        QFETCH(QString, file);
        QFETCH(bool, needsScan);
        const auto path = fixture(file.toUtf8().constData());
        const Reference reference = referenceDecode(path);
        const int64_t decodedFrames = static_cast<int64_t>(reference.pcm.size() / 2);
        // The fixture must be one where a guess from the first frames would be wrong.
        QCOMPARE(reference.unscannedLength != decodedFrames, needsScan);

        auto engine = makeEngine();
        engine->setFileName(path);
        // A header's length is exact at once; without one, a walk over the file makes it so
        // away from the window's thread, and the window hears of it (what it reads changes
        // only as it is told).
        const double exact = static_cast<double>(decodedFrames) / reference.rate;
        if (needsScan)
            QTRY_COMPARE(engine->Duration(), exact);
        QCOMPARE(engine->Duration(), exact);
        QCOMPARE(engine->CurrentPosition(), 0.0);
    }

    void toneIsDecodedWhole()
    {
        const auto path = fixture("sine_440_cbr.mp3");
        const Reference reference = referenceDecode(path);
        auto engine = makeEagerlyClosingEngine("0");
        QSignalSpy ends(engine.get(), &MediaPlayer::EndOfStream);
        QThread *endThread = nullptr;
        connect(engine.get(), &MediaPlayer::EndOfStream, this,
            [&] { endThread = QThread::currentThread(); });
        engine->setFileName(path);
        QCOMPARE(engine->Duration(), 1.0);
        engine->Play();
        QTRY_COMPARE(ends.count(), 1);
        QCOMPARE(endThread, QThread::currentThread());
        // The end is announced while the last buffer still plays; then the position is there.
        QTRY_COMPARE(engine->CurrentPosition(), engine->Duration());
        // The device is closed once the song has ended, but not before its tail has played.
        QTRY_VERIFY(!engine->deviceOpen());
        QCOMPARE(audioDeviceThreads(), 0);

        const auto segments = soundSegments(readPcm(m_pcmFile));
        QCOMPARE(segments.size(), size_t(1));
        QVERIFY(segments.front() == trimmedFrom(reference.pcm, 0));
        QVERIFY(qAbs(toneFrequency(segments.front(), reference.rate) - 440.0) < 2.0);
    }

    void endOfStreamComesOnce()
    {
        auto engine = makeEngine();
        QSignalSpy ends(engine.get(), &MediaPlayer::EndOfStream);
        engine->setFileName(fixture("tags_none.mp3"));
        engine->Play();
        QTRY_COMPARE(ends.count(), 1);
        QVERIFY(waitForDeviceTime());
        QCOMPARE(ends.count(), 1);
        // Play after the end starts over, and ends once more.
        engine->Play();
        QTRY_COMPARE(ends.count(), 2);
        QVERIFY(waitForDeviceTime());
        QCOMPARE(ends.count(), 2);
        engine.reset();
        const auto segments = soundSegments(readPcm(m_pcmFile));
        QCOMPARE(segments.size(), size_t(2));
        QVERIFY(segments[0] == segments[1]);
    }

    void seekLandsOnTheSample_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int64_t>("frame");
        QTest::addColumn<bool>("afterEnd");
        QTest::newRow("half way, before playing") << 0.5 << int64_t(22050) << false;
        QTest::newRow("odd place, before playing") << 0.123 << int64_t(5424) << false;
        QTest::newRow("after the end") << 0.25 << int64_t(11025) << true;
        QTest::newRow("below zero clamps to the start") << -3.0 << int64_t(0) << false;
    }

    void seekLandsOnTheSample()
    {
        QFETCH(double, seconds);
        QFETCH(int64_t, frame);
        QFETCH(bool, afterEnd);
        const auto path = fixture("sine_440_cbr.mp3");
        const Reference reference = referenceDecode(path);
        auto engine = makeEngine();
        QSignalSpy ends(engine.get(), &MediaPlayer::EndOfStream);
        engine->setFileName(path);
        if (afterEnd) {
            engine->Play();
            QTRY_COMPARE(ends.count(), 1);
        }
        engine->setCurrentPosition(seconds);
        QCOMPARE(engine->CurrentPosition(), static_cast<double>(frame) / reference.rate);
        if (afterEnd) {
            // A seek after the end moves the position but does not start the sound.
            QVERIFY(waitForDeviceTime(1 << 16));
            QCOMPARE(engine->CurrentPosition(), static_cast<double>(frame) / reference.rate);
        }
        engine->Play();
        QTRY_COMPARE(ends.count(), afterEnd ? 2 : 1);
        engine.reset();

        const auto segments = soundSegments(readPcm(m_pcmFile));
        QVERIFY(!segments.empty());
        QVERIFY(equalAfterSeek(segments.back(), trimmedFrom(reference.pcm, frame)));
    }

    void seekBeyondTheEndClamps()
    {
        auto engine = makeEngine();
        QSignalSpy ends(engine.get(), &MediaPlayer::EndOfStream);
        engine->setFileName(fixture("sine_440_cbr.mp3"));
        engine->setCurrentPosition(1e9);
        QCOMPARE(engine->CurrentPosition(), engine->Duration());
        engine->Play();
        QTRY_COMPARE(ends.count(), 1);
    }

    void noEndAfterStopNewFileOrSeek_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("expectedEnds");
        QTest::newRow("stop") << "stop" << 0;
        QTest::newRow("new file") << "file" << 0;
        // The seek withdraws the end already reached; the rest of the song then ends once.
        QTest::newRow("seek") << "seek" << 1;
    }

    void noEndAfterStopNewFileOrSeek()
    {
        QFETCH(QString, action);
        QFETCH(int, expectedEnds);
        auto engine = makeEngine();
        QSignalSpy ends(engine.get(), &MediaPlayer::EndOfStream);
        // A song whose header states its length: its end is where Duration says before the
        // event loop has run.
        engine->setFileName(fixture("sine_440_cbr.mp3"));
        engine->Play();
        // Let the audio thread reach the end and report it, while the event loop does not
        // run, so the report is still queued when the action comes.
        QVERIFY(spinUntil([&] { return engine->CurrentPosition() == engine->Duration(); }));
        const qint64 reached = fileSize(m_pcmFile);
        QVERIFY(spinUntil([&] { return fileSize(m_pcmFile) > reached + (1 << 16); }));
        if (action == QLatin1String("stop")) {
            engine->Stop();
            QCOMPARE(engine->CurrentPosition(), 0.0);
        } else if (action == QLatin1String("file")) {
            engine->setFileName(fixture("tags_none.mp3"));
        } else {
            engine->setCurrentPosition(0.1);
        }
        QVERIFY(waitForDeviceTime());
        QCOMPARE(ends.count(), expectedEnds);
    }

    void pauseHoldsThePosition()
    {
        const auto path = fixture("sine_440_cbr.mp3");
        const Reference reference = referenceDecode(path);
        // Paced: a buffer every 23 ms, so playback can be caught half way. While paused, the
        // device is closed, and SDL's thread stops waking for silence.
        auto engine = makeEagerlyClosingEngine("23");
        QSignalSpy ends(engine.get(), &MediaPlayer::EndOfStream);
        engine->setFileName(path);
        engine->Play();
        QTRY_VERIFY(engine->CurrentPosition() >= 0.2);
        engine->Pause();
        const double paused = engine->CurrentPosition();
        QVERIFY(paused < engine->Duration());
        QTRY_VERIFY(!engine->deviceOpen());
        QCOMPARE(audioDeviceThreads(), 0);
        QCOMPARE(engine->CurrentPosition(), paused);
        QCOMPARE(ends.count(), 0);
        const Pcm beforePause = readPcm(m_pcmFile);

        engine->Play();
        QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 1, 10000);
        QTRY_VERIFY(!engine->deviceOpen());
        const Pcm afterPause = readPcm(m_pcmFile);

        // Around the pause not one sample is lost or repeated.
        const auto pausedFrame = static_cast<int64_t>(std::llround(paused * reference.rate));
        const auto first = soundSegments(beforePause);
        const auto second = soundSegments(afterPause);
        QCOMPARE(first.size(), size_t(1));
        QCOMPARE(second.size(), size_t(1));
        const Pcm whole = trimmedFrom(reference.pcm, 0);
        QVERIFY(first.front().size() <= whole.size());
        QVERIFY(std::equal(first.front().begin(), first.front().end(), whole.begin()));
        QVERIFY(second.front() == trimmedFrom(reference.pcm, pausedFrame));
        QVERIFY(first.front().size() / 2 <= size_t(pausedFrame));
    }

    void songsFollowWithoutGap_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::newRow("a second each") << qint64(0);
        // Three frames of audio behind the header: a song shorter than a device buffer, whose
        // end comes before the device has asked for its first buffer.
        QTest::newRow("shorter than a device buffer") << qint64(1100);
    }

    void songsFollowWithoutGap()
    {
        QFETCH(qint64, bytes);
        auto path = fixture("sine_440_cbr.mp3");
        if (bytes > 0) {
            QFile whole(QString::fromStdString(path.native()));
            QVERIFY(whole.open(QIODevice::ReadOnly));
            path = std::filesystem::path(m_dir.filePath(QStringLiteral("short.mp3")).toStdString());
            std::ofstream(path, std::ios::binary).write(whole.read(bytes).constData(), bytes);
        }
        const Reference reference = referenceDecode(path);
        QVERIFY(bytes == 0 || reference.pcm.size() / 2 < 4096);
        // The disk driver's own pace (a buffer per buffer's worth of time), as a sound card:
        // the next song must be started while the last buffers of this one still play.
        auto engine = makeEngine("");
        QSignalSpy ends(engine.get(), &MediaPlayer::EndOfStream);
        connect(engine.get(), &MediaPlayer::EndOfStream, this, [&] {
            if (ends.count() < 3) {
                engine->setFileName(path);
                engine->Play();
            }
        });
        engine->setFileName(path);
        engine->Play();
        QTRY_COMPARE_WITH_TIMEOUT(ends.count(), 3, 20000);
        engine.reset();

        Pcm threeTimes;
        for (int i = 0; i < 3; ++i)
            threeTimes.insert(threeTimes.end(), reference.pcm.begin(), reference.pcm.end());
        const auto segments = soundSegments(readPcm(m_pcmFile), 2);
        QCOMPARE(segments.size(), size_t(1));
        QVERIFY(segments.front() == trimmedFrom(threeTimes, 0));
    }

    void songAtAnotherRatePlaysWholeAtItsRate()
    {
        const auto path48 = fixture("sine_440_48k.mp3");
        const Reference first = referenceDecode(fixture("sine_440_cbr.mp3"));
        const Reference second = referenceDecode(path48);
        QCOMPARE(second.rate, 48000L);
        // Real-time pace, so that the first song's last buffers are still queued when the
        // second one starts.
        auto engine = makeEngine("");
        const QString firstFile = m_pcmFile;
        QSignalSpy ends(engine.get(), &MediaPlayer::EndOfStream);
        connect(engine.get(), &MediaPlayer::EndOfStream, this, [&] {
            if (ends.count() == 1) {
                // The device reopens at 48 kHz, and the disk driver then writes another file.
                m_pcmFile = m_dir.filePath(QStringLiteral("out%1.raw").arg(++m_outputCount));
                qputenv("SDL_DISKAUDIOFILE", m_pcmFile.toLocal8Bit());
                engine->setFileName(path48);
                engine->Play();
            }
        });
        engine->setFileName(fixture("sine_440_cbr.mp3"));
        engine->Play();
        QTRY_COMPARE(ends.count(), 2);
        QCOMPARE(engine->Duration(), 0.5);
        engine.reset();
        // Every sample of each, each at its own rate: the first song's tail played out before
        // the device reopened.
        for (const auto &[file, song] : {std::pair{firstFile, &first}, {m_pcmFile, &second}}) {
            const auto segments = soundSegments(readPcm(file));
            QCOMPARE(segments.size(), size_t(1));
            QVERIFY(segments.front() == trimmedFrom(song->pcm, 0));
            QVERIFY(qAbs(toneFrequency(segments.front(), song->rate) - 440.0) < 2.0);
        }
    }

    void destroyedWhilePlaying()
    {
        auto engine = makeEngine("23");
        engine->setFileName(fixture("sine_440_cbr.mp3"));
        engine->Play();
        QTRY_VERIFY(engine->CurrentPosition() > 0.0);
        engine.reset();
        // A second engine opens the device again after the first closed it.
        engine = makeEngine();
        QSignalSpy ends(engine.get(), &MediaPlayer::EndOfStream);
        engine->setFileName(fixture("tags_none.mp3"));
        engine->Play();
        QTRY_COMPARE(ends.count(), 1);
    }
};

QTEST_GUILESS_MAIN(Mp3EngineTest)
#include "mp3_engine_test.moc"
