#include "bench/soak/soak_resources.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

namespace fs = std::filesystem;

ResourceSample sampleResources()
{
    ResourceSample sample;
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    sample.residentMegabytes
        = static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1048576.0;
    std::error_code error;
    // The listing's own descriptor is open while it runs, and points nowhere afterwards.
    for (fs::directory_iterator it("/proc/self/fd", error), end; !error && it != end;
         it.increment(error)) {
        std::error_code unreadable;
        const fs::path target = fs::read_symlink(it->path(), unreadable);
        if (!unreadable)
            sample.descriptorTargets.push_back(target.native());
    }
    for (fs::directory_iterator it("/proc/self/task", error), end; !error && it != end;
         it.increment(error)) {
        std::string name;
        std::getline(std::ifstream(it->path() / "comm"), name);
        sample.threadNames.push_back(name);
    }
    sample.descriptors = static_cast<int>(sample.descriptorTargets.size()) - 1;
    sample.threads = static_cast<int>(sample.threadNames.size());
    return sample;
}

std::vector<std::string> addedEntries(
    std::vector<std::string> earlier, std::vector<std::string> later)
{
    std::sort(earlier.begin(), earlier.end());
    std::sort(later.begin(), later.end());
    std::vector<std::string> added;
    std::set_difference(
        later.begin(), later.end(), earlier.begin(), earlier.end(), std::back_inserter(added));
    return added;
}
