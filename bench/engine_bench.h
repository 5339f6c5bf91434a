#ifndef BRENLOWICK_ENGINE_BENCH_H
#define BRENLOWICK_ENGINE_BENCH_H

// CPU spent playing a long file in real time, against a bare libmpg123 decode of the same
// stretch.
int benchPlaybackCpu(int argc, char **argv);
// setFileName plus Play until the first samples are handed to the device, against a bare
// open plus first-frame decode.
int benchOpenLatency(int argc, char **argv);
// Play after a pause until the next samples leave the engine, with the device closed while
// paused, against a device kept open through the pause.
int benchResumeLatency(int argc, char **argv);
// For each file: path, title, author, duration (or the error), tab-separated.
int benchTags(int argc, char **argv);

#endif
