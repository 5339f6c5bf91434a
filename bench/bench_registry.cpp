#include "bench/bench_registry.h"
#include "bench/command_latency_bench.h"
#include "bench/engine_bench.h"
#include "bench/power_bench.h"
#include "bench/settings_bench.h"
#include "bench/sink_latency_bench.h"
#include "bench/slow_disk_open_bench.h"
#include "bench/soak/soak_bench.h"
#include "bench/songlist_bench.h"
#include "bench/startup_bench.h"
#include "bench/transitions_bench.h"

const std::vector<BenchCommand> &benchCommands()
{
    static const std::vector<BenchCommand> commands = {
        {"startup", runStartupBench},
        {"search", runSearchBench},
        {"getfiles", runGetFilesBench},
        {"shuffle", runShuffleBench},
        {"settings-file", settingsFileBench},
        {"playback-cpu", benchPlaybackCpu},
        {"open-latency", benchOpenLatency},
        {"resume-latency", benchResumeLatency},
        {"open-latency-slow-disk", runSlowDiskOpenBench},
        {"command-latency", runCommandLatencyBench},
        {"tags", benchTags},
        {"transitions", runTransitionsBench},
        {"power", runPowerBench},
        {"sink-latency", runSinkLatencyBench},
        {"soak", runSoakBench},
    };
    return commands;
}
