#ifndef BRENLOWICK_TRANSITIONS_BENCH_H
#define BRENLOWICK_TRANSITIONS_BENCH_H

// Silence inserted between songs when the window plays a list through the real engine, in
// milliseconds of audio, against what a decoder without gapless trimming would insert.
// Optional argument: the one-second MP3 the twenty songs are copied from.
int runTransitionsBench(int argc, char *argv[]);

#endif
