#include "bench/soak/soak_bench.h"

#include "bench/soak/soak_run.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Over a long session the resident memory grows by less than this after the first 1,000
// actions; descriptors and threads come back to where they started.
constexpr double MemoryGrowthGoalMegabytes = 5.0;
constexpr int MemoryJudgedFromActions = 20000;

bool parsePace(const std::string &text, SoakPace &pace)
{
    if (text == "fast")
        pace = SoakPace::Fast;
    else if (text == "real")
        pace = SoakPace::Real;
    else if (text == "slow")
        pace = SoakPace::Slow;
    else
        return false;
    return true;
}

uint64_t freshSeed()
{
    return std::random_device()() | static_cast<uint64_t>(std::random_device()()) << 32;
}

void printRatio(const char *name, double ours, double baseline, const char *unit,
    const char *oursWhen, const char *baselineWhen)
{
    std::printf("%s: ratio %.3f (ours %.2f %s %s, baseline %.2f %s %s)\n", name,
        baseline > 0 ? ours / baseline : 0.0, ours, unit, oursWhen, baseline, unit, baselineWhen);
}

// Prints the figures; returns whether every goal that applies was met.
bool report(const SoakOptions &options, const SoakResult &result)
{
    std::printf("soak: seed %llu, pace %s: %d actions in %.1f s (%.1f actions/s)%s\n",
        static_cast<unsigned long long>(options.seed),
        options.pace == SoakPace::Fast       ? "fast"
            : options.pace == SoakPace::Real ? "real"
                                             : "slow",
        result.actionsDone, result.seconds,
        result.seconds > 0 ? result.actionsDone / result.seconds : 0.0,
        result.passed ? ", every check held" : ", FAILED");
    std::printf("soak: %d songs started, %d ended by themselves, %d could not start (deleted "
                "or emptied); %d files vanished or were cut while their song played; %d "
                "searches; %d message boxes, each one due; settings %s\n",
        result.counts.starts, result.counts.ends, result.counts.failedStarts,
        result.counts.vanishedMidSong, result.counts.searches, result.counts.boxes,
        result.settingsKept ? "kept" : "LOST");
    std::printf("soak actions:");
    for (size_t kind = 0; kind < result.actionCounts.size(); ++kind)
        std::printf(" %s %d%s", actionName(static_cast<ActionKind>(kind)),
            result.actionCounts[kind], kind + 1 < result.actionCounts.size() ? "," : "\n");

    bool met = result.passed && result.settingsKept;
    if (result.actionsDone > 1000) {
        const double growth = result.atEnd.residentMegabytes - result.atThousand.residentMegabytes;
        printRatio("soak-memory", result.atEnd.residentMegabytes,
            result.atThousand.residentMegabytes, "MB", "at the last action", "after 1,000");
        const bool judged = result.actionsDone >= MemoryJudgedFromActions;
        std::printf("soak: resident memory grew by %.2f MB after the first 1,000 actions "
                    "(goal under %.0f MB over %d actions or more: %s)\n",
            growth, MemoryGrowthGoalMegabytes, MemoryJudgedFromActions,
            !judged                                  ? "not judged, too short"
                : growth < MemoryGrowthGoalMegabytes ? "met"
                                                     : "missed");
        if (judged && growth >= MemoryGrowthGoalMegabytes)
            met = false;
        std::printf("soak: resident memory by action:");
        for (const auto &[action, megabytes] : result.residentTrend)
            std::printf(" %d: %.2f MB", action, megabytes);
        std::printf("\n");
    }
    const int descriptorDrift = result.afterTeardown.descriptors - result.atStart.descriptors;
    const int threadDrift = result.afterTeardown.threads - result.atStart.threads;
    printRatio("soak-descriptors", result.afterTeardown.descriptors, result.atStart.descriptors,
        "open", "after the window and engine are gone", "before the window");
    printRatio("soak-threads", result.afterTeardown.threads, result.atStart.threads, "running",
        "after the window and engine are gone", "before the window");
    std::printf("soak: descriptor drift %+d, thread drift %+d (%d and %d while the window "
                "stood after 1,000 actions, %d and %d at the last) (goal 0 and 0: %s)\n",
        descriptorDrift, threadDrift, result.atThousand.descriptors, result.atThousand.threads,
        result.atEnd.descriptors, result.atEnd.threads,
        descriptorDrift == 0 && threadDrift == 0 ? "met" : "missed");
    const auto list = [](const char *what, const std::vector<std::string> &entries) {
        for (const std::string &entry : entries)
            std::printf("soak: left behind: %s %s\n", what, entry.c_str());
    };
    list("descriptor to",
        addedEntries(result.atStart.descriptorTargets, result.afterTeardown.descriptorTargets));
    list("thread", addedEntries(result.atStart.threadNames, result.afterTeardown.threadNames));
    return met && descriptorDrift == 0 && threadDrift == 0;
}

// Lines of "SEED ACTIONS [PACE]  # what it found"; blank lines and comments are skipped.
bool readRegressions(const char *file, std::vector<SoakOptions> &runs)
{
    std::ifstream in(file);
    if (!in) {
        std::fprintf(stderr, "soak: cannot read %s\n", file);
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream fields(line);
        SoakOptions run;
        std::string pace = "fast";
        if (!(fields >> run.seed))
            continue;
        if (!(fields >> run.actions) || ((fields >> pace) && !parsePace(pace, run.pace))) {
            std::fprintf(stderr, "soak: %s: cannot read the line \"%s\"\n", file, line.c_str());
            return false;
        }
        runs.push_back(run);
    }
    return true;
}

// The offscreen platform cannot raise a window, and says so each time the tray brings it back.
QtMessageHandler standardMessageHandler = nullptr;

void quietOffscreenRaise(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message != QLatin1String("This plugin does not support raise()"))
        standardMessageHandler(type, context, message);
}

int usage()
{
    std::fputs("usage: brenlowick-bench soak [--actions N] [--seed S|random] "
               "[--pace fast|real|slow]\n"
               "       brenlowick-bench soak --regressions FILE\n",
        stderr);
    return 2;
}

} // namespace

int runSoakBench(int argc, char *argv[])
{
    std::vector<SoakOptions> runs;
    SoakOptions single;
    single.seed = freshSeed();
    bool fromFile = false;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value)
            return usage();
        ++i;
        if (option == "--actions")
            single.actions = std::atoi(value);
        else if (option == "--seed")
            single.seed = std::strcmp(value, "random") == 0 ? freshSeed() : std::stoull(value);
        else if (option == "--pace" && parsePace(value, single.pace))
            continue;
        else if (option == "--regressions" && readRegressions(value, runs))
            fromFile = true;
        else
            return usage();
    }
    if (!fromFile)
        runs.push_back(single);

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    standardMessageHandler = qInstallMessageHandler(quietOffscreenRaise);
    bool allMet = true;
    for (const SoakOptions &run : runs) {
        // First, so that a run that hangs or crashes can still be repeated.
        std::printf("soak: starting seed %llu, %d actions\n",
            static_cast<unsigned long long>(run.seed), run.actions);
        std::fflush(stdout);
        allMet = report(run, runSoak(run)) && allMet;
        std::fflush(stdout);
    }
    return allMet ? 0 : 1;
}
