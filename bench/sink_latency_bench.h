#ifndef BRENLOWICK_SINK_LATENCY_BENCH_H
#define BRENLOWICK_SINK_LATENCY_BENCH_H

// The commands as a listener hears them, on a private sound server: from Pause, Play and a seek
// returning to the silence, the sound, the new place at the sink, for the engine on the
// server's output (with its goals) and on SDL's output to the same server, against a bare libpulse
// client with a 20 ms buffer that flushes (the least the server itself takes), measured in the same
// run through the same recorder. Also prints, to stderr, the steps where the sound stops and starts
// and how far the position is from what the sink plays. Optional argument: rounds of the scenario
// (default 5).
int runSinkLatencyBench(int argc, char *argv[]);

#endif
