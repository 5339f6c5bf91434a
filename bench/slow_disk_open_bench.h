#ifndef BRENLOWICK_SLOW_DISK_OPEN_BENCH_H
#define BRENLOWICK_SLOW_DISK_OPEN_BENCH_H

// Opening a song (FileName written until it returns) on a disk that reads 13 MB/s, as a USB
// stick does: a 57 MB file without a length header, whose length only a walk over every frame
// tells, against the same open of a small file on the same disk, one after the other in the
// same run; goal under 50 ms. Also tells, on stderr, the length known at the open and when it is
// made exact. Optional argument: opens of each (default 11).
int runSlowDiskOpenBench(int argc, char *argv[]);

#endif
