#include "bench/settings_bench.h"

#include "settings/profile_storage.h"
#include "settings/profile_text.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr const char *AttributeKeys[] = {
    "FORMEXPAND", "FORMTOP", "FORMLEFT", "RANDOM", "PLAYREPEAT", "PLAYLOOP", "AUTOPLAY", "MINIMUM"};

// A file of the given size in which the program's keys come last: every lookup scans it all.
std::string grownProfile(std::size_t bytes)
{
    std::string text;
    text.reserve(bytes + 4096);
    for (int section = 0; text.size() < bytes; ++section) {
        text += "[NOISE" + std::to_string(section) + "]\n";
        for (int key = 0; key < 50; ++key)
            text += "KEY" + std::to_string(key) + " = some value that is not ours\n";
    }
    text += "[FILE]\nDRIVE=/\nFILEPATH=/home/user/music\n[ATTRIBUTE]\n";
    for (const char *key : AttributeKeys)
        text += std::string(key) + "=1\n";
    return text;
}

double milliseconds(const QElapsedTimer &timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// The floor any loader pays: the file read into memory once, as a Qt program reads a file, and
// searched once.
double baselineLoad(const fs::path &path, int &found)
{
    QElapsedTimer timer;
    timer.start();
    QFile file(QFile::decodeName(path.c_str()));
    if (file.open(QIODevice::ReadOnly))
        found += file.readAll().contains("\nMINIMUM=");
    return milliseconds(timer);
}

double ourLoad(const fs::path &path, int &found)
{
    QElapsedTimer timer;
    timer.start();
    const ProfileText profile(readProfileBytes(path).value_or(std::string()));
    found += !profile.readText("FILE", "DRIVE", "", 128).empty();
    found += !profile.readText("FILE", "FILEPATH", "", 1024).empty();
    for (const char *key : AttributeKeys)
        found += profile.readInteger("ATTRIBUTE", key, 0);
    return milliseconds(timer);
}

// The floor any saver pays: the bytes written once and flushed to the disk.
double baselineSave(const fs::path &path, const std::string &bytes)
{
    QElapsedTimer timer;
    timer.start();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool ok = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == ssize_t(bytes.size())
        && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    if (!ok)
        std::fputs("settings-file: baseline write failed\n", stderr);
    return milliseconds(timer);
}

double ourSave(const fs::path &path)
{
    QElapsedTimer timer;
    timer.start();
    ProfileText profile(readProfileBytes(path).value_or(std::string()));
    profile.writeText("FILE", "DRIVE", "/");
    profile.writeText("FILE", "FILEPATH", "/home/user/music");
    for (const char *key : AttributeKeys)
        profile.writeText("ATTRIBUTE", key, "1");
    if (!replaceFileAtomically(path, profile.bytes()))
        std::fputs("settings-file: save failed\n", stderr);
    return milliseconds(timer);
}

void report(const char *name, double ours, double baseline)
{
    std::printf(
        "%s: ratio %.2f (ours %.1f ms, baseline %.1f ms)\n", name, ours / baseline, ours, baseline);
}

} // namespace

int settingsFileBench(int argc, char *argv[])
{
    const long megabytes = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 50;
    if (megabytes <= 0 || std::size_t(megabytes) << 20 >= MaxProfileBytes) {
        std::fprintf(stderr, "settings-file: size must be 1 to %zu megabytes\n",
            (MaxProfileBytes >> 20) - 1);
        return 2;
    }
    QTemporaryDir folder;
    const fs::path ours = fs::path(folder.path().toStdString()) / "Brenlowick.ini";
    const fs::path baseline = fs::path(folder.path().toStdString()) / "baseline.ini";
    const std::string bytes = grownProfile(std::size_t(megabytes) << 20);
    std::ofstream(ours, std::ios::binary) << bytes;
    std::ofstream(baseline, std::ios::binary) << bytes;

    // Best of five, each measured right after its baseline so both see the same cache state.
    constexpr int Rounds = 5;
    double bestOurLoad = 1e300, bestBaseLoad = 1e300, bestOurSave = 1e300, bestBaseSave = 1e300;
    int found = 0;
    for (int round = 0; round < Rounds; ++round) {
        bestBaseLoad = std::min(bestBaseLoad, baselineLoad(baseline, found));
        bestOurLoad = std::min(bestOurLoad, ourLoad(ours, found));
        bestBaseSave = std::min(bestBaseSave, baselineSave(baseline, bytes));
        bestOurSave = std::min(bestOurSave, ourSave(ours));
    }
    if (found != Rounds * 11) {
        std::fprintf(stderr, "settings-file: the keys were not all found (%d)\n", found);
        return 1;
    }
    const std::string label = std::to_string(megabytes) + "mb";
    report(("settings_load_" + label).c_str(), bestOurLoad, bestBaseLoad);
    report(("settings_save_" + label).c_str(), bestOurSave, bestBaseSave);
    return 0;
}
