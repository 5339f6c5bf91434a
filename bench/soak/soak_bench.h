#ifndef BRENLOWICK_SOAK_BENCH_H
#define BRENLOWICK_SOAK_BENCH_H

// brenlowick-bench soak: hours of use in minutes. The real window on the real engine, driven
// by a seeded random sequence of what a user and the desktop do, checked after every action;
// prints the pace, what happened, and what the session cost in memory, descriptors and
// threads. Exits 1 when a check or a goal fails.
int runSoakBench(int argc, char *argv[]);

#endif
