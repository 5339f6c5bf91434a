// Songs at the edges of real use, through the real engine and SDL's disk driver: a read that
// fails mid-song, a huge file without a length header, a download cut short, a stream whose
// rate changes midway, songs shorter than a device buffer, and a device whose closing stalls.

#include "engine_test_support.h"

#include "app/app_error.h"
#include "engine/audio_output.h"
#include "engine/mp3_engine.h"
#include "engine/playback_stream.h"
#include "engine/thread_wakeup.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <thread>

using namespace EngineTest;
namespace fs = std::filesystem;

namespace {

// A device that plays as fast as it is fed and, once halted, closes; its close stalls until
// released, as SDL's does while a suspended sink holds its audio thread.
class StallingDevice final : public AudioOutput {
public:
    std::atomic<bool> stallClose = true;
    std::atomic<bool> closing = false;

    bool run(PlaybackStream &stream, const std::atomic<bool> &stopping) override
    {
        stream.setOutputCanTakeBack(false);
        std::vector<unsigned char> buffer(4096 * 4);
        while (!stopping.load()) {
            const PlaybackStream::Plan plan = stream.plan();
            if (plan.sound) {
                m_deviceOpen.store(true);
                stream.fillDeviceBuffer(buffer.data(), 4096, plan.rate);
                continue;
            }
            if (m_deviceOpen.load()) {
                closing.store(true);
                while (stallClose.load() && !stopping.load())
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                closing.store(false);
                m_deviceOpen.store(false);
            }
            stream.outputWakeup().wait();
        }
        return true;
    }
    const char *name() const override { return "stalling"; }
};

} // namespace

class SongEdgesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    fs::path repeated(const char *fixtureName, int times, const char *name)
    {
        QFile file(QString::fromStdString(fixture(fixtureName).native()));
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll().repeated(times);
        const fs::path path = fs::path(m_dir.path().toStdString()) / name;
        std::ofstream(path, std::ios::binary).write(bytes.constData(), bytes.size());
        return path;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("SDL_DISKAUDIOFILE", "/dev/null");
        qputenv("SDL_DISKAUDIODELAY", "0");
    }

    void readThatFailsIsReportedNotAnEnd()
    {
        // A USB stick that fails part way through the song.
        const fs::path song = repeated("vbr_no_xing.mp3", 40, "failing.mp3");
        Mp3Engine::Options options;
        const auto size = static_cast<off_t>(fs::file_size(song));
        options.read = [size](int fd, void *buffer, size_t bytes, off_t offset) -> ssize_t {
            // The tags at the end still read; the middle does not.
            if (offset > 100000 && offset < size - 8192) {
                errno = EIO;
                return -1;
            }
            return ::pread(fd, buffer, bytes, offset);
        };
        Mp3Engine engine(nullptr, options);
        QSignalSpy ends(&engine, &MediaPlayer::EndOfStream);
        engine.setFileName(song);
        engine.Play();
        int32_t failure = 0;
        QTRY_VERIFY([&] {
            try {
                engine.CurrentPosition();
            } catch (const AppError &error) {
                failure = error.number();
            }
            return failure != 0;
        }());
        QCOMPARE(failure, ErrNo::DiskNotReady);
        QCOMPARE(ends.count(), 0);
        engine.Pause();
        QVERIFY(engine.CurrentPosition() > 0.0 && engine.CurrentPosition() < engine.Duration());
    }

    void openingReadsOnlyTheHead()
    {
        // Fifteen minutes without a length header: its length takes a walk over the file, which
        // the window's thread does not wait for.
        const fs::path song = repeated("vbr_no_xing.mp3", 600, "long.mp3");
        const std::thread::id window = std::this_thread::get_id();
        auto readByWindow = std::make_shared<std::atomic<int64_t>>(0);
        Mp3Engine::Options options;
        options.read = [=](int fd, void *buffer, size_t bytes, off_t offset) {
            const ssize_t got = ::pread(fd, buffer, bytes, offset);
            if (std::this_thread::get_id() == window && got > 0)
                *readByWindow += got;
            return got;
        };
        Mp3Engine engine(nullptr, options);
        QSignalSpy infoChanges(&engine, &MediaPlayer::ClipInfoChanged);
        engine.setFileName(song);
        QVERIFY2(*readByWindow < 256 * 1024, qPrintable(QString::number(readByWindow->load())));
        // From the page cache the walk takes milliseconds, and may even be done before the
        // opening returns. What the window reads changes only as it is told, so that its
        // slider and the song's length never disagree.
        const double told = engine.Duration();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        QCOMPARE(engine.Duration(), told);
        const double exact = 600
            * static_cast<double>(referenceDecode(fixture("vbr_no_xing.mp3")).pcm.size() / 2)
            / 44100.0;
        QTRY_VERIFY_WITH_TIMEOUT(!infoChanges.isEmpty() && engine.Duration() == exact, 20000);
    }

    void cutDownloadIsAsLongAsWhatItHolds()
    {
        // The Info header of a one-second song, and only half its frames.
        QFile whole(QString::fromStdString(fixture("sine_440_cbr.mp3").native()));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        const fs::path cut = fs::path(m_dir.path().toStdString()) / "cut.mp3";
        const QByteArray half = whole.read(whole.size() / 2);
        std::ofstream(cut, std::ios::binary).write(half.constData(), half.size());
        const double holds = static_cast<double>(referenceDecode(cut).pcm.size() / 2) / 44100.0;

        Mp3Engine engine;
        QSignalSpy ends(&engine, &MediaPlayer::EndOfStream);
        engine.setFileName(cut);
        QVERIFY2(
            qAbs(engine.Duration() - holds) < 0.1, qPrintable(QString::number(engine.Duration())));
        engine.Play();
        QTRY_COMPARE(ends.count(), 1);
        QCOMPARE(engine.Duration(), holds);
    }

    void streamThatChangesRateKeepsItsPitch()
    {
        const QString output = m_dir.filePath(QStringLiteral("rates.raw"));
        qputenv("SDL_DISKAUDIOFILE", output.toLocal8Bit());
        {
            Mp3Engine engine;
            QSignalSpy ends(&engine, &MediaPlayer::EndOfStream);
            engine.setFileName(fixture("rate_change_mid_stream.mp3"));
            engine.Play();
            QTRY_COMPARE(ends.count(), 1);
        }
        qputenv("SDL_DISKAUDIOFILE", "/dev/null");
        const auto segments = soundSegments(readPcm(output));
        QCOMPARE(segments.size(), size_t(1));
        const Pcm &heard = segments.front();
        // Half a second at each rate, all at the first one's: both halves sound at 440 Hz.
        const auto half = static_cast<std::ptrdiff_t>(heard.size() / 2);
        const Pcm first(heard.begin() + half / 4, heard.begin() + half * 3 / 4);
        const Pcm second(heard.begin() + half * 5 / 4, heard.begin() + half * 7 / 4);
        QVERIFY2(qAbs(toneFrequency(first, 44100) - 440.0) < 5.0,
            qPrintable(QString::number(toneFrequency(first, 44100))));
        QVERIFY2(qAbs(toneFrequency(second, 44100) - 440.0) < 5.0,
            qPrintable(QString::number(toneFrequency(second, 44100))));
    }

    void stalledCloseHoldsNoCommand()
    {
        Mp3Engine::Options options;
        StallingDevice *device = nullptr;
        options.makeOutput = [&] {
            auto made = std::make_unique<StallingDevice>();
            device = made.get();
            return made;
        };
        Mp3Engine engine(nullptr, options);
        QSignalSpy ends(&engine, &MediaPlayer::EndOfStream);
        engine.setFileName(fixture("tags_none.mp3"));
        engine.Play();
        QTRY_COMPARE(ends.count(), 1);
        QTRY_VERIFY(device->closing.load());
        // Every command while the device's close is stalled, all of them back before it ends.
        engine.Play();
        engine.Pause();
        engine.setCurrentPosition(0.1);
        engine.Stop();
        engine.setFileName(fixture("sine_440_48k.mp3"));
        engine.Play();
        QVERIFY(device->closing.load());
        device->stallClose.store(false);
        QTRY_COMPARE(ends.count(), 2);
    }
};

QTEST_GUILESS_MAIN(SongEdgesTest)
#include "song_edges_test.moc"
