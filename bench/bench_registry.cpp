#include "bench/bench_registry.h"

const std::vector<BenchCommand> &benchCommands()
{
    static const std::vector<BenchCommand> commands = {
    };
    return commands;
}
