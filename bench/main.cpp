#include "bench/bench_registry.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

// brenlowick-bench COMMAND [ARGS...]: each command prints its figures as ratios against a
// baseline measured in the same run.
int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fputs("usage: brenlowick-bench COMMAND [ARGS...]\ncommands:", stderr);
        for (const BenchCommand &command : benchCommands())
            std::fprintf(stderr, " %s", command.name);
        std::fputs("\n", stderr);
        return 2;
    }
    for (const BenchCommand &command : benchCommands()) {
        if (std::strcmp(argv[1], command.name) == 0)
            return command.run(argc - 1, argv + 1);
    }
    std::fprintf(stderr, "brenlowick-bench: unknown command %s\n", argv[1]);
    return 2;
}
