#include "bench/slow_disk_open_bench.h"

#include "app/app_error.h"
#include "bench/power_usage.h"
#include "engine/mp3_engine.h"
#include "tests/engine/engine_test_support.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr double DiskBytesPerSecond = 13e6; // a USB 2 stick
constexpr qint64 LongFileBytes = 57'000'000;

// One disk that reads at a USB stick's pace: every read waits its bytes' time, and the reads of
// all threads are served one at a time in the order they came, as one device serves them.
class ThrottledDisk {
public:
    FileReadFunction reader()
    {
        return [this](int fd, void *buffer, size_t bytes, off_t offset) {
            // What the disk delivers: nothing past the file's end.
            struct stat status = {};
            ::fstat(fd, &status);
            const auto delivered = std::clamp<off_t>(status.st_size - offset, 0, off_t(bytes));
            std::unique_lock lock(m_mutex);
            const uint64_t ticket = m_nextTicket++;
            m_turnChanged.wait(lock, [&] { return m_serving == ticket; });
            lock.unlock();
            std::this_thread::sleep_for(
                std::chrono::duration<double>(static_cast<double>(delivered) / DiskBytesPerSecond));
            const ssize_t got = ::pread(fd, buffer, bytes, offset);
            lock.lock();
            ++m_serving;
            m_turnChanged.notify_all();
            return got;
        };
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_turnChanged;
    uint64_t m_nextTicket = 0;
    uint64_t m_serving = 0;
};

// A file without a length header, made of the fixture over and over: its length is known only
// by walking every frame.
bool writeFileWithoutLengthHeader(const fs::path &path, qint64 bytes)
{
    QFile fixture(QString::fromStdString(EngineTest::fixture("vbr_no_xing.mp3").native()));
    QFile out(QString::fromStdString(path.native()));
    if (!fixture.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray copy = fixture.readAll();
    const QByteArray whole = copy.repeated(static_cast<qsizetype>(bytes / copy.size()));
    return !copy.isEmpty() && out.write(whole) == whole.size();
}

double timedOpenMs(Mp3Engine &engine, const fs::path &path)
{
    const auto start = Clock::now();
    engine.setFileName(path);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// How the length known at the open compares with the exact one the walk over the file finds
// later, and how long the walk takes on this disk: printed on stderr.
void reportLength(Mp3Engine &engine, const fs::path &path, int copies)
{
    const auto start = Clock::now();
    engine.setFileName(path);
    const double atOpen = engine.Duration();
    bool changed = false;
    const QObject listening;
    QObject::connect(&engine, &MediaPlayer::ClipInfoChanged, &listening,
        [&] { changed = engine.Duration() != atOpen; });
    const bool exact = runEventLoopUntil([&] { return changed; }, 30.0);
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const EngineTest::Reference fixture
        = EngineTest::referenceDecode(EngineTest::fixture("vbr_no_xing.mp3"));
    const double fixtureSeconds
        = static_cast<double>(fixture.pcm.size() / 2) / static_cast<double>(fixture.rate);
    std::fprintf(stderr,
        "open-latency-slow-disk: the length at the open %.1f s; %s %.1f s after %.1f s (the "
        "fixture decodes to %.4f s, %d times over: %.1f s)\n",
        atOpen, exact ? "made exact:" : "not changed within 30 s:", engine.Duration(), elapsed,
        fixtureSeconds, copies, fixtureSeconds * copies);
}

} // namespace

int runSlowDiskOpenBench(int argc, char *argv[])
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    QCoreApplication application(argc, argv);
    QTemporaryDir dir;
    const fs::path longFile = fs::path(dir.path().toStdString()) / "long_no_length_header.mp3";
    const fs::path smallFile = EngineTest::fixture("vbr_no_xing.mp3");
    if (!dir.isValid() || !writeFileWithoutLengthHeader(longFile, LongFileBytes)) {
        std::fputs("open-latency-slow-disk: cannot write the long file\n", stderr);
        return 1;
    }
    const auto copies = static_cast<int>(fs::file_size(longFile) / fs::file_size(smallFile));

    ThrottledDisk disk;
    Mp3Engine::Options options;
    options.read = disk.reader();
    Mp3Engine engine(nullptr, options);
    std::vector<double> afterSmall;
    std::vector<double> afterLong;
    std::vector<double> baseline;
    try {
        // The first open of the program sets up the libraries, once.
        timedOpenMs(engine, smallFile);
        // Opens follow each other as songs picked one after another do, each sharing the disk
        // with whatever the song before left reading: a long file after a small one and after
        // another long one, and the small one after a long one.
        for (int round = 0; round < rounds; ++round) {
            for (std::vector<double> *opens : {&afterSmall, &afterLong, &baseline}) {
                opens->push_back(timedOpenMs(engine, opens == &baseline ? smallFile : longFile));
                runEventLoopFor(0.2);
            }
        }
        reportLength(engine, longFile, copies);
    } catch (const AppError &error) {
        std::fprintf(stderr, "open-latency-slow-disk: %s\n", error.what());
        return 1;
    }
    std::fprintf(stderr,
        "open-latency-slow-disk: the long file after the small one %.2f ms (worst %.2f), after "
        "another long one %.2f ms (worst %.2f)\n",
        median(afterSmall), *std::max_element(afterSmall.begin(), afterSmall.end()),
        median(afterLong), *std::max_element(afterLong.begin(), afterLong.end()));
    std::vector<double> ours = afterSmall;
    ours.insert(ours.end(), afterLong.begin(), afterLong.end());
    const double worst = *std::max_element(ours.begin(), ours.end());
    std::printf("open-latency-slow-disk: ratio %.2f (ours %.2f ms, worst %.2f ms, opening a %.0f "
                "MB file without a length header; baseline %.2f ms, a %.1f KB file; on a disk "
                "that reads %.0f MB/s; goal under 50 ms: %s)\n",
        median(ours) / median(baseline), median(ours), worst,
        static_cast<double>(fs::file_size(longFile)) / 1e6, median(baseline),
        static_cast<double>(fs::file_size(smallFile)) / 1e3, DiskBytesPerSecond / 1e6,
        worst < 50.0 ? "met" : "missed");
    std::fflush(stdout);
    return 0;
}
