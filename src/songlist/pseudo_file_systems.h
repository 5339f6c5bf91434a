#ifndef BRENLOWICK_PSEUDO_FILE_SYSTEMS_H
#define BRENLOWICK_PSEUDO_FILE_SYSTEMS_H

#include <sys/types.h>

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

// Tells the folders of the kernel's pseudo file systems (proc, sysfs, devtmpfs, devpts, cgroup,
// debugfs and the like), whose entries are the kernel's own state rather than stored files. The
// search treats them as system folders: their links lead back into themselves along ever new
// paths (every process's cwd and root, sysfs's device links), so a walk of them never ends.
//
// One instance serves one search: it asks the kernel once per device.
class PseudoFileSystems {
public:
    // The mount table is read from the file given, in the kernel's mountinfo format.
    explicit PseudoFileSystems(std::string mountTable = "/proc/self/mountinfo");

    // Whether the folder open as folderFd, whose device is `device`, lies on such a file system.
    // A folder whose file system cannot be told is taken as stored data.
    bool holds(int folderFd, dev_t device);

private:
    bool isDeviceFolder(dev_t device);

    std::string m_mountTable;
    std::unordered_map<dev_t, bool> m_known;
    // The devices that hold the kernel's device folder, read once when first needed.
    std::optional<std::unordered_set<dev_t>> m_deviceFolders;
};

#endif
