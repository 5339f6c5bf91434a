#include "bench/songlist_bench.h"

// Song list figures: the search against a plain readdir walk of the same real folders, the whole
// get-files command against a plain walk, the shuffle against std::shuffle, and the list's memory.
// Times are the best of five runs on a warm cache, in processor time of the one thread that does
// the work.

#include "app/main_window.h"
#include "bench/baseline_walks.h"
#include "platform/desktop_adapters.h"
#include "platform/tray_icon.h"
#include "playback/player.h"
#include "songlist/folder_list.h"
#include "songlist/shuffle_order.h"
#include "songlist/song_search.h"

#include <QApplication>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <numeric>
#include <random>

namespace {

constexpr int Rounds = 5;

// Milliseconds of processor time this thread used, kernel time included: on a machine shared
// with other work the wall clock measures the neighbours as much as the code.
double threadMilliseconds()
{
    timespec now {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

template<typename Run> double bestOf(Run &&run)
{
    double best = 1e300;
    for (int round = 0; round < Rounds; ++round) {
        const double start = threadMilliseconds();
        run();
        best = std::min(best, threadMilliseconds() - start);
    }
    return best;
}

void printRatio(const char *name, double ours, double baseline, const char *unit = "ms")
{
    std::printf("%s: ratio %.2f (ours %.1f %s, baseline %.1f %s)\n", name, ours / baseline, ours,
        unit, baseline, unit);
    std::fflush(stdout);
}

double residentMegabytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1048576.0;
}

bool isFolder(const char *path)
{
    struct stat info { };
    return ::stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

// The machine's adapters where they cost nothing; a silent player, message box and tray, so
// the figures are the list's own and nothing waits for a user.
class SilentPlayer : public MediaPlayer {
public:
    void setFileName(const std::filesystem::path &) override { }
    void Play() override { }
    void Pause() override { }
    void Stop() override { }
    double CurrentPosition() const override { return 0.0; }
    void setCurrentPosition(double) override { }
    double Duration() const override { return 1.0; }
    QString GetMediaInfoString(int32_t) const override { return {}; }
};

class SilentMessageBox : public MessageBoxService {
public:
    void show(Icon, const QString &text) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    }
    void beep() override { }
};

class NoTray : public TrayIconService {
public:
    int32_t notify(int32_t, const NotifyIconData &) override { return 1; }
    bool isAvailable() const override { return true; }
    void popupAtPointer(QMenu &) override { }
};

class NoOtherInstance : public InstanceGuard {
public:
    bool anotherInstanceRunning() override { return false; }
};

struct BenchPlatform {
    SilentPlayer player;
    SilentMessageBox messageBox;
    PrimaryScreenMetrics screen;
    NoTray tray;
    NoOtherInstance instanceGuard;
    SystemClock clock;
    ThrottledEventLoopYield eventLoop;
    RealProcessControl process;
    MountTableDriveProvider drives;
    Platform platform {
        player, messageBox, screen, tray, instanceGuard, clock, eventLoop, process, drives};
};

} // namespace

int runSearchBench(int argc, char *argv[])
{
    if (argc < 2 || !isFolder(argv[1])) {
        std::fputs("usage: brenlowick-bench search DIR [--list]\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    const bool list = argc > 2 && std::strcmp(argv[2], "--list") == 0;
    int fakeArgc = 1;
    QCoreApplication application(fakeArgc, argv);
    ThrottledEventLoopYield eventLoop;

    ByteStringList paths;
    ByteStringList names;
    size_t folders = 0;
    auto search = [&] {
        paths.clear();
        names.clear();
        folders = searchSongs(
            folder,
            [&](std::string_view path, std::string_view name) {
                paths.push_back(path);
                names.push_back(name);
            },
            [&] {
                eventLoop.yield();
                return true;
            });
    };
    std::vector<std::string> baselineFound;
    size_t baselineFolders = 0;
    auto baseline = [&] {
        baselineFound.clear();
        baselineFolders = realFolderWalk(folder, baselineFound);
    };
    // Warm the cache with both before timing either.
    search();
    baseline();
    const double baselineMs = bestOf(baseline);
    const double oursMs = bestOf(search);
    if (list) {
        for (size_t i = 0; i < paths.size(); ++i) {
            std::fwrite(paths[i].data(), 1, paths[i].size(), stdout);
            std::fputc('\n', stdout);
        }
    }
    // A tree that others change while it is walked ("/") may differ a little between the two.
    if (paths.size() != baselineFound.size() || folders != baselineFolders)
        std::fprintf(stderr, "search: %zu folders and %zu songs, the baseline %zu and %zu\n",
            folders, paths.size(), baselineFolders, baselineFound.size());
    std::printf("search %s: ratio %.2f (ours %.1f ms, baseline %.1f ms; %zu folders, %zu songs)\n",
        folder.c_str(), oursMs / baselineMs, oursMs, baselineMs, folders, paths.size());
    std::fflush(stdout);
    return 0;
}

int runGetFilesBench(int argc, char *argv[])
{
    if (argc < 2 || !isFolder(argv[1])) {
        std::fputs("usage: brenlowick-bench getfiles DIR\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int fakeArgc = 1;
    QApplication application(fakeArgc, argv);
    BenchPlatform machine;
    frmMain window(machine.platform);
    window.DirTree->setPath(folder);
    window.show();
    QCoreApplication::processEvents();

    // Memory first, while nothing else has been allocated and freed.
    const double emptyWindow = residentMegabytes();
    window.cmdGetFiles_Click();
    QCoreApplication::processEvents();
    const double withList = residentMegabytes();
    std::fprintf(stderr, "getfiles: %d songs\n", window.FoundCount);

    std::vector<std::string> baselineFound;
    const double baselineMs = bestOf([&] {
        baselineFound.clear();
        readdirWalk(folder, baselineFound);
    });
    const double oursMs = bestOf([&] { window.cmdGetFiles_Click(); });
    printRatio("getfiles", oursMs, baselineMs);
    std::printf("getfiles-memory: ratio %.2f (ours %.1f MB, baseline %.1f MB; %.1f MB above the "
                "empty window for %d songs)\n",
        withList / emptyWindow, withList, emptyWindow, withList - emptyWindow, window.FoundCount);
    return 0;
}

int runShuffleBench(int argc, char *argv[])
{
    const long count = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
    if (count < 1 || count > 100000000) {
        std::fputs("usage: brenlowick-bench shuffle N\n", stderr);
        return 2;
    }
    int fakeArgc = 1;
    QCoreApplication application(fakeArgc, argv);
    ThrottledEventLoopYield eventLoop;
    const auto max = static_cast<int32_t>(count - 1);

    std::vector<int32_t> order;
    const double oursMs
        = bestOf([&] { order = shuffleOrder(max, 1234, [&] { eventLoop.yield(); }); });
    std::vector<int32_t> baselineOrder(static_cast<size_t>(count));
    const double baselineMs = bestOf([&] {
        std::iota(baselineOrder.begin(), baselineOrder.end(), 0);
        std::mt19937 engine(1234);
        std::shuffle(baselineOrder.begin(), baselineOrder.end(), engine);
    });
    char name[64];
    std::snprintf(name, sizeof name, "shuffle-%ld", count);
    printRatio(name, oursMs, baselineMs);
    return 0;
}
