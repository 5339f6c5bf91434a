#include "bench/soak/soak_run.h"

#include "app/main_window.h"
#include "bench/soak/soak_checker.h"
#include "bench/soak/soak_driver.h"
#include "bench/soak/soak_platform.h"
#include "bench/soak/soak_tree.h"
#include "desktop/mpris_change_watcher.h"
#include "desktop/mpris_player_adaptor.h"
#include "songlist/folder_list.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThreadPool>

#include <cstdio>
#include <deque>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

namespace {

const char *paceName(SoakPace pace)
{
    switch (pace) {
    case SoakPace::Fast:
        return "fast";
    case SoakPace::Real:
        return "real";
    case SoakPace::Slow:
        return "slow";
    }
    return "?";
}

void chooseAudioDevice(SoakPace pace)
{
    // Read by SDL when the engine opens the device, at the first song of each run.
    if (pace == SoakPace::Real) {
        qputenv("SDL_AUDIODRIVER", "dummy");
        return;
    }
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", "/dev/null");
    // Milliseconds between buffers of 4,096 frames (93 ms of sound at 44.1 kHz).
    qputenv("SDL_DISKAUDIODELAY", pace == SoakPace::Fast ? "2" : "140");
}

// At most how fast songs play at the pace: the disk driver's fast pace hands a buffer of 93 ms
// every 2 ms or so, the others play in real time or slower.
double audioSpeed(SoakPace pace)
{
    return pace == SoakPace::Fast ? 60.0 : 1.5;
}

// The settings the window wrote when it ended hold what the user left it with.
bool settingsKept(const std::filesystem::path &file, const frmMain &window)
{
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto has = [&text](const std::string &line) {
        return text.find(line + "\r\n") != std::string::npos
            || text.find(line + "\n") != std::string::npos;
    };
    const auto value = [](const QCheckBox *box) { return box->isChecked() ? "1" : "0"; };
    // The file holds the size before the last one, which the next start steps on from.
    return has(std::string("RANDOM=") + value(window.chkRandom))
        && has(std::string("PLAYREPEAT=") + value(window.chkPlayRepeat))
        && has(std::string("PLAYLOOP=") + value(window.chkPlayLoop))
        && has("FILEPATH=" + window.DirTree->path().native())
        && has("FORMEXPAND=" + std::to_string(window.FormExpand));
}

class History {
public:
    explicit History(size_t lines)
        : m_lines(lines)
    {
    }
    void add(std::string line)
    {
        m_entries.push_back(std::move(line));
        if (m_entries.size() > m_lines)
            m_entries.pop_front();
    }
    void print() const
    {
        for (const std::string &line : m_entries)
            std::fprintf(stderr, "  %s\n", line.c_str());
    }

private:
    size_t m_lines;
    std::deque<std::string> m_entries;
};

} // namespace

SoakResult runSoak(const SoakOptions &options)
{
    SoakResult result;
    chooseAudioDevice(options.pace);
    // ThreadSanitizer's runtime starts a helper thread of its own at the first thread the
    // program creates and keeps it: one thread made and ended here lets the count before the
    // window hold it already, so it is not taken for a thread the window left behind.
    std::thread([] {}).join();
    result.atStart = sampleResources();
    QTemporaryDir folder;
    std::mt19937_64 treeRandom(options.seed);
    SoakTree tree;
    if (!folder.isValid() || !tree.create(folder.path().toStdString(), treeRandom))
        return result;

    History history(static_cast<size_t>(options.historyLines));
    QElapsedTimer clock;
    clock.start();
    {
        const auto platform
            = std::make_unique<SoakPlatform>(folder.path().toStdString(), options.seed);
        SoakChecker checker(platform->desktop.player, tree, platform->messageBox);
        checker.setAudioSpeed(audioSpeed(options.pace));
        frmMain window(platform->platform);
        checker.watch(window);
        window.Form_Load();
        window.DirTree->setPath(tree.chosenFolder());
        if (!window.inTrayMode())
            window.show();
        // The desktop's media controls as the bus would call them, without a bus.
        QObject exported;
        MprisChangeWatcher watcher(window);
        MprisPlayerAdaptor mpris(&exported, window, watcher);

        SoakDriver driver(window, platform->tray, mpris, tree, checker, options.seed);
        ActionGenerator generator(options.seed);
        for (int number = 1; number <= options.actions; ++number) {
            const Action action = generator.next(driver.reach());
            ++result.actionCounts[static_cast<size_t>(action.kind)];
            checker.beginAction(mayMovePosition(action.kind));
            const std::string done = driver.perform(action);
            history.add(std::to_string(number) + " " + actionName(action.kind)
                + (done.empty() ? "" : ": " + done));
            runEventLoopFor(0);
            checker.checkAfterAction();
            result.actionsDone = number;
            if (checker.failed()) {
                std::fprintf(stderr,
                    "soak: FAILED at action %d of seed %llu (pace %s): %s\n"
                    "soak: the last actions, oldest first:\n",
                    number, static_cast<unsigned long long>(options.seed), paceName(options.pace),
                    checker.failure().c_str());
                history.print();
                std::fprintf(stderr,
                    "soak: repeat with: brenlowick-bench soak --seed %llu "
                    "--actions %d --pace %s\n",
                    static_cast<unsigned long long>(options.seed), number, paceName(options.pace));
                break;
            }
            if (number == 1000)
                result.atThousand = sampleResources();
            if (number == 1000 || number % 5000 == 0)
                result.residentTrend.emplace_back(number, sampleResources().residentMegabytes);
        }
        result.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
        result.atEnd = sampleResources();
        result.counts = checker.counts();
        result.passed = !checker.failed();

        // The end button, as the user leaves: the settings are written once, whole.
        window.cmdEnd_Click();
        result.settingsKept = settingsKept(window.IniPath, window);
        if (!result.settingsKept)
            std::fprintf(stderr,
                "soak: the settings file does not hold the window's last "
                "state\n");
    }
    runEventLoopFor(0);
    // Qt's raster painter fills large areas on its shared thread pool, which keeps the threads
    // idle for half a minute before they end; they are the toolkit's, not the window's, so
    // they are ended here rather than counted as a leak.
    QThreadPool::globalInstance()->waitForDone();
    // A pool thread that expired just before may still be on its way out: a thread that is
    // really left behind is still there a second later.
    result.afterTeardown = sampleResources();
    for (int wait = 0; wait < 50 && result.afterTeardown.threads > result.atStart.threads; ++wait) {
        runEventLoopFor(20);
        result.afterTeardown = sampleResources();
    }
    // The temporary folder's own clean-up skips names that are not UTF-8.
    std::error_code error;
    std::filesystem::remove_all(folder.path().toStdString(), error);
    return result;
}
