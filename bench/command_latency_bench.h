#ifndef BRENLOWICK_COMMAND_LATENCY_BENCH_H
#define BRENLOWICK_COMMAND_LATENCY_BENCH_H

// How long the window's thread waits for a command (Play, Pause, Stop, a position write, a new
// file) while the output is busy with its device: songs changing between 44.1 and 48 kHz, a Play
// that meets the close of an idle device, a device lost under SDL's disk driver; and on a
// private sound server, a change of rate, an idle close and a sink suspended while paused, for
// its output and SDL's. The worst of each, against the worst of as many bare mutex hand-offs
// measured in the same run; goal under 5 ms. Optional argument: rounds of each (default 8).
int runCommandLatencyBench(int argc, char *argv[]);

#endif
