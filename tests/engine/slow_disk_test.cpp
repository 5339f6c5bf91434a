// A song on a disk that stalls, as a disk spinning up or a network share does: while a read of
// its file is held, every command of the player returns at once, a song on a disk that answers
// plays, and the player's end does not wait for the read.

#include "engine_test_support.h"

#include "engine/mp3_engine.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <condition_variable>
#include <mutex>
#include <sys/stat.h>

using namespace EngineTest;
namespace fs = std::filesystem;

namespace {

// Reads of one file block while the disk is stalled, until release(); a disk left stalled wakes
// by itself after a while, as a real one does, so that a player that waits for it goes on,
// late, instead of hanging the test.
class SlowDisk {
public:
    FileReadFunction reader()
    {
        return [this](int fd, void *buffer, size_t bytes, off_t offset) {
            return read(fd, buffer, bytes, offset);
        };
    }
    void stall(const fs::path &file)
    {
        struct stat status = {};
        ::stat(file.c_str(), &status);
        std::lock_guard lock(m_mutex);
        m_device = status.st_dev;
        m_inode = status.st_ino;
        m_stalled = true;
    }
    void release()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stalled = false;
        }
        m_changed.notify_all();
    }
    // Reads blocked right now.
    int heldReads() const
    {
        std::lock_guard lock(m_mutex);
        return m_held;
    }

private:
    ssize_t read(int fd, void *buffer, size_t bytes, off_t offset)
    {
        struct stat status = {};
        ::fstat(fd, &status);
        std::unique_lock lock(m_mutex);
        if (m_stalled && status.st_dev == m_device && status.st_ino == m_inode) {
            ++m_held;
            if (!m_changed.wait_for(lock, std::chrono::seconds(20), [this] { return !m_stalled; }))
                m_stalled = false;
            --m_held;
        }
        lock.unlock();
        return ::pread(fd, buffer, bytes, offset);
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    bool m_stalled = false;
    int m_held = 0;
};

} // namespace

class SlowDiskTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandsReturnWhileAReadIsHeld()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const fs::path song = fs::path(dir.path().toStdString()) / "long.mp3";
        QVERIFY(writeLongSong(song));
        qputenv("SDL_DISKAUDIOFILE", "/dev/null");
        qputenv("SDL_DISKAUDIODELAY", "10");

        SlowDisk disk;
        Mp3Engine::Options options;
        options.read = disk.reader();
        auto player = std::make_unique<Mp3Engine>(nullptr, options);
        Mp3Engine &engine = *player;
        QSignalSpy ends(&engine, &MediaPlayer::EndOfStream);
        engine.setFileName(song);
        engine.Play();
        QVERIFY(spinUntil([&] { return engine.framesHandedToDevice() > 0; }));
        disk.stall(song);
        // Half way into the song lies far past what the reader holds: its bytes must be read.
        const double middle = std::floor(engine.Duration() / 2);
        engine.setCurrentPosition(middle);
        QTRY_COMPARE(disk.heldReads(), 1);

        QCOMPARE(engine.CurrentPosition(), middle);
        engine.Pause();
        QCOMPARE(engine.CurrentPosition(), middle);
        engine.Play();
        engine.setCurrentPosition(1.0);
        engine.Stop();
        QCOMPARE(engine.CurrentPosition(), 0.0);
        // Another song, on a disk that answers.
        engine.setFileName(fixture("sine_440_cbr.mp3"));
        engine.Play();
        QCOMPARE(engine.Duration(), 1.0);
        // It plays to its end while the other file's read is still held.
        QTRY_COMPARE(ends.count(), 1);
        QCOMPARE(engine.CurrentPosition(), 1.0);
        QCOMPARE(disk.heldReads(), 1);

        // The program's end does not wait for the read either.
        player.reset();
        QCOMPARE(disk.heldReads(), 1);
        disk.release();
        QTRY_COMPARE(disk.heldReads(), 0);
    }
};

QTEST_GUILESS_MAIN(SlowDiskTest)
#include "slow_disk_test.moc"
