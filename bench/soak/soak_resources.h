#ifndef BRENLOWICK_SOAK_RESOURCES_H
#define BRENLOWICK_SOAK_RESOURCES_H

#include <string>
#include <vector>

// What the process holds at one moment, read from /proc/self.
struct ResourceSample {
    double residentMegabytes = 0.0;
    int descriptors = 0;
    int threads = 0;
    // What each descriptor points at and each thread's name, to tell what was left behind.
    std::vector<std::string> descriptorTargets;
    std::vector<std::string> threadNames;
};

ResourceSample sampleResources();

// The entries of `later` beyond those of `earlier`, each once per extra occurrence.
std::vector<std::string> addedEntries(
    std::vector<std::string> earlier, std::vector<std::string> later);

#endif
