#ifndef BRENLOWICK_SETTINGS_BENCH_H
#define BRENLOWICK_SETTINGS_BENCH_H

// settings-file [MEGABYTES]: loading and saving a settings file grown to MEGABYTES (50 by
// default), against reading and writing the same bytes once.
int settingsFileBench(int argc, char *argv[]);

#endif
