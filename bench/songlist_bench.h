#ifndef BRENLOWICK_SONGLIST_BENCH_H
#define BRENLOWICK_SONGLIST_BENCH_H

// brenlowick-bench search DIR [--list]: the song search against a plain readdir walk of the same
// real folders ("/" included), with the number of folders and songs.
int runSearchBench(int argc, char *argv[]);
// brenlowick-bench getfiles DIR: the whole get-files command, list included, against the same
// walk; also the memory the list takes above the empty window.
int runGetFilesBench(int argc, char *argv[]);
// brenlowick-bench shuffle N: the random order of N songs against std::shuffle.
int runShuffleBench(int argc, char *argv[]);

#endif
