#ifndef BRENLOWICK_BENCH_REGISTRY_H
#define BRENLOWICK_BENCH_REGISTRY_H

#include <vector>

// One subcommand of brenlowick-bench; argv[0] is the command's own name.
struct BenchCommand {
    const char *name;
    int (*run)(int argc, char *argv[]);
};

// Every command, in the order the usage lists them. Add a line to bench_registry.cpp per
// command.
const std::vector<BenchCommand> &benchCommands();

#endif
