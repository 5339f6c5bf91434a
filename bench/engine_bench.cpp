#include "bench/engine_bench.h"

#include "app/app_error.h"
#include "bench/engine_bench_data.h"
#include "engine/sdl_output.h"
#include "engine/mp3_engine.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <sys/prctl.h>
#include <thread>
#include <vector>

namespace {

double processCpuMs()
{
    timespec now = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double threadCpuMs()
{
    timespec now = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double wallMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void printRatio(const char *name, double ours, double baseline)
{
    std::printf(
        "%s: ratio %.2f (ours %.3f ms, baseline %.3f ms)\n", name, ours / baseline, ours, baseline);
    std::fflush(stdout);
}

// The engine needs an application object for its end-of-stream notifier.
std::unique_ptr<QCoreApplication> ensureApplication(int &argc, char **argv)
{
    if (QCoreApplication::instance() != nullptr)
        return nullptr;
    return std::make_unique<QCoreApplication>(argc, argv);
}

bool makeLongFile(const QTemporaryDir &dir, std::filesystem::path &path)
{
    path = std::filesystem::path(dir.path().toStdString()) / "five_minutes_192k.mp3";
    return dir.isValid() && writeLongMp3(path, 300.0);
}

} // namespace

int benchPlaybackCpu(int argc, char **argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    auto app = ensureApplication(argc, argv);
    QTemporaryDir dir;
    std::filesystem::path path;
    if (!makeLongFile(dir, path))
        return 1;
    // The dummy driver takes buffers at the real-time pace and plays them nowhere.
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    Mp3Engine engine;
    double oursMs = 0.0;
    double playedFrom = 0.0;
    double played = 0.0;
    try {
        engine.setFileName(path);
        engine.Play();
        // Past the device's start-up, which is no part of the steady cost.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        playedFrom = engine.CurrentPosition();
        const double cpuStart = processCpuMs();
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        oursMs = processCpuMs() - cpuStart;
        played = engine.CurrentPosition() - playedFrom;
        engine.Stop();
    } catch (const AppError &error) {
        std::fprintf(stderr, "playback-cpu: %s\n", error.what());
        return 1;
    }

    std::vector<double> baselines;
    for (int run = 0; run < 5; ++run) {
        BareDecoder bare(path);
        const auto rate = static_cast<double>(bare.rate());
        bare.seek(static_cast<int64_t>(playedFrom * rate));
        const double cpuStart = processCpuMs();
        bare.decode(static_cast<int64_t>(played * rate));
        baselines.push_back(processCpuMs() - cpuStart);
    }
    printRatio("playback-cpu", oursMs, median(baselines));
    std::fprintf(stderr, "playback-cpu: %.1f s of audio played, %.3f CPU s per minute of audio\n",
        played, played > 0 ? oursMs / 1000.0 / played * 60.0 : 0.0);

    // The same decoding woken as often as the device wakes the engine (one buffer at a time,
    // at the real-time pace), over a shorter stretch scaled to the same audio: where waking a
    // thread is dear (virtual machines), it shows how much of the cost is the pace itself.
    const double pacedSeconds = std::min(played, 5.0);
    if (pacedSeconds > 0) {
        BareDecoder bare(path);
        const auto rate = static_cast<double>(bare.rate());
        const auto buffers = static_cast<int64_t>(pacedSeconds * rate / SdlOutput::BufferFrames);
        const auto bufferTime = std::chrono::duration<double>(SdlOutput::BufferFrames / rate);
        const double cpuStart = threadCpuMs();
        for (int64_t buffer = 0; buffer < buffers; ++buffer) {
            bare.decode(SdlOutput::BufferFrames);
            std::this_thread::sleep_for(bufferTime);
        }
        const double pacedMs = (threadCpuMs() - cpuStart) * played / pacedSeconds;
        std::fprintf(stderr,
                     "playback-cpu: a bare decoder woken once a buffer (%d frames) costs %.3f ms "
                     "for the same audio; the engine costs %.2f times that\n",
                     SdlOutput::BufferFrames, pacedMs, oursMs / pacedMs);
    }
    return 0;
}

int benchOpenLatency(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 51;
    auto app = ensureApplication(argc, argv);
    QTemporaryDir dir;
    std::filesystem::path path;
    if (!makeLongFile(dir, path))
        return 1;
    // A driver that takes every buffer at once, so what is measured is the engine's own way
    // to the first sample and not a sound card's buffering period.
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    // Even a delay of 0 is a sleep, which the kernel may stretch by the thread's timer slack
    // (50 us by default) to merge wake-ups: the driver would then come round only every 50 us
    // or so, a device period after all, and measured in the Play. SDL's audio thread takes
    // its slack from the thread that starts it, this one.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

    std::vector<double> ours;
    std::vector<double> opening;
    std::vector<double> baseline;
    try {
        Mp3Engine engine;
        // The first Play also starts SDL and opens the device, once per run of the program.
        double start = wallMs();
        engine.setFileName(path);
        engine.Play();
        while (engine.framesHandedToDevice() == 0)
            std::this_thread::yield();
        std::fprintf(stderr, "open-latency: first Play of the program (SDL start-up) %.3f ms\n",
            wallMs() - start);
        for (int round = 0; round < rounds; ++round) {
            engine.Stop();
            start = wallMs();
            engine.setFileName(path);
            opening.push_back(wallMs() - start);
            engine.Play();
            while (engine.framesHandedToDevice() == 0)
                std::this_thread::yield();
            ours.push_back(wallMs() - start);

            // Measured with the engine halted, not while it plays on behind the bare decoder.
            engine.Stop();
            start = wallMs();
            auto bare = std::make_unique<BareDecoder>(path);
            bare->decode(1152);
            baseline.push_back(wallMs() - start);
        }
    } catch (const AppError &error) {
        std::fprintf(stderr, "open-latency: %s\n", error.what());
        return 1;
    }
    printRatio("open-latency", median(ours), median(baseline));
    // The opening decodes the song's first device buffer; the rest is the Play and the
    // device's thread coming round to take it.
    std::fprintf(
        stderr, "open-latency: of which the opening (FileName) %.3f ms\n", median(opening));
    return 0;
}

int benchResumeLatency(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    auto app = ensureApplication(argc, argv);
    QTemporaryDir dir;
    std::filesystem::path path;
    if (!makeLongFile(dir, path))
        return 1;
    // The dummy driver's pace is a sound card's: a device kept open takes the next buffer only
    // when its thread next wakes, up to a buffer's time after the Play.
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    // Plays a while, pauses (and waits until the device is closed, where it is closed at
    // all), then measures Play until the next samples leave the engine.
    const auto resumeMs = [&](std::chrono::milliseconds idleDeviceGrace, int round) {
        Mp3Engine::Options options;
        options.idleDeviceGrace = idleDeviceGrace;
        Mp3Engine engine(nullptr, options);
        engine.setFileName(path);
        engine.Play();
        // Paused somewhere within a buffer, so that a kept-open device's next wake-up is
        // anywhere from at once to a buffer's time away.
        std::this_thread::sleep_for(std::chrono::milliseconds(300 + 17 * round));
        engine.Pause();
        while (engine.deviceOpen() && idleDeviceGrace.count() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const int64_t handed = engine.framesHandedToDevice();
        const double start = wallMs();
        engine.Play();
        while (engine.framesHandedToDevice() == handed)
            std::this_thread::yield();
        return wallMs() - start;
    };
    std::vector<double> reopened;
    std::vector<double> keptOpen;
    try {
        // Ours closes the device as soon as it is paused; the baseline keeps it open, as the
        // engine did before it closed an idle device at all.
        for (int round = 0; round < rounds; ++round) {
            reopened.push_back(resumeMs(std::chrono::milliseconds(0), round));
            keptOpen.push_back(resumeMs(std::chrono::hours(1), round));
        }
    } catch (const AppError &error) {
        std::fprintf(stderr, "resume-latency: %s\n", error.what());
        return 1;
    }
    printRatio("resume-latency", median(reopened), median(keptOpen));
    return 0;
}

int benchTags(int argc, char **argv)
{
    auto app = ensureApplication(argc, argv);
    Mp3Engine engine;
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        std::fputs(argv[i], stdout);
        try {
            engine.setFileName(std::filesystem::path(argv[i]));
            std::printf("\t%s\t%s\t%.3f\n",
                engine.GetMediaInfoString(MediaInfo::Title).toUtf8().constData(),
                engine.GetMediaInfoString(MediaInfo::Author).toUtf8().constData(),
                engine.Duration());
        } catch (const AppError &error) {
            std::printf("\t%d\t%s\n", error.number(), error.what());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
