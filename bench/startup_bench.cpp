#include "bench/startup_bench.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Sample {
    double mapMs = 0;
    double rssKb = 0;
};

long residentKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

// Starts the program with a private runtime folder and waits for a top-level map on the root.
bool measureOnce(const char *program, Sample &sample)
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fputs("startup: cannot connect to the X display\n", stderr);
        return false;
    }
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    char runtimeTemplate[] = "/tmp/brenlowick-bench-XXXXXX";
    const std::string runtime = mkdtemp(runtimeTemplate);
    const auto start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        execl(program, program, static_cast<char *>(nullptr));
        _exit(127);
    }
    bool mapped = false;
    const int fd = xcb_get_file_descriptor(connection);
    while (!mapped && Clock::now() - start < std::chrono::seconds(30)) {
        pollfd waiting {fd, POLLIN, 0};
        poll(&waiting, 1, 100);
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                auto *map = reinterpret_cast<xcb_map_notify_event_t *>(event);
                if (!map->override_redirect)
                    mapped = true;
            }
            std::free(event);
            if (mapped)
                break;
        }
    }
    sample.mapMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    sample.rssKb = static_cast<double>(residentKb(child));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    xcb_disconnect(connection);
    std::system(("rm -rf '" + runtime + "'").c_str());
    if (!mapped)
        std::fprintf(stderr, "startup: %s mapped no window within 30 s\n", program);
    return mapped;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

} // namespace

int runStartupBench(int argc, char *argv[])
{
    if (argc < 3) {
        std::fputs("usage: brenlowick-bench startup PROGRAM BASELINE [RUNS]\n", stderr);
        return 2;
    }
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
    std::vector<double> oursMs, baseMs, oursRss, baseRss;
    // Alternating the two spreads the machine's noise over both evenly.
    for (int run = 0; run < runs; ++run) {
        Sample ours, base;
        if (!measureOnce(argv[1], ours) || !measureOnce(argv[2], base))
            return 1;
        oursMs.push_back(ours.mapMs);
        baseMs.push_back(base.mapMs);
        oursRss.push_back(ours.rssKb);
        baseRss.push_back(base.rssKb);
    }
    const double ms = median(oursMs), baseline = median(baseMs);
    std::printf(
        "startup: ratio %.2f (ours %.1f ms, baseline %.1f ms)\n", ms / baseline, ms, baseline);
    const double rss = median(oursRss) / 1024.0, baseRssMb = median(baseRss) / 1024.0;
    std::printf(
        "idle-rss: ratio %.2f (ours %.1f MB, baseline %.1f MB)\n", rss / baseRssMb, rss, baseRssMb);
    return 0;
}
