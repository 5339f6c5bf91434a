#ifndef BRENLOWICK_POWER_BENCH_H
#define BRENLOWICK_POWER_BENCH_H

// What a long session costs on a real sound server (a private one): the process's CPU time and
// wake-ups (voluntary context switches of all its threads), for the real window on the real
// engine offscreen, through each output (the engine's for sound servers, SDL's on the same
// server, SDL's dummy driver): playing with the window shown and hidden in the tray, against a
// bare libmpg123 decode of the same audio; paused and stopped (once the output has let the
// device go), against the idle window before anything played. Each figure is printed with its
// goal. Optional argument: seconds measured per state (default 20).
int runPowerBench(int argc, char *argv[]);

#endif
