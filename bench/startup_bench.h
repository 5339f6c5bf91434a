#ifndef BRENLOWICK_STARTUP_BENCH_H
#define BRENLOWICK_STARTUP_BENCH_H

// startup PROGRAM BASELINE [RUNS]: time from exec until the first top-level window is mapped,
// and resident memory one second later, for the player against a bare Qt window. Needs an X
// display without a window manager (bench/startup provides one).
int runStartupBench(int argc, char *argv[]);

#endif
