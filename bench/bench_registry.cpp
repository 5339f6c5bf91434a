#include "bench/bench_registry.h"
#include "bench/songlist_bench.h"

const std::vector<BenchCommand> &benchCommands()
{
    static const std::vector<BenchCommand> commands = {
        {"search", runSearchBench},
        {"getfiles", runGetFilesBench},
        {"shuffle", runShuffleBench},
    };
    return commands;
}
