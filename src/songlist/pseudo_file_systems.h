#ifndef BRENLOWICK_PSEUDO_FILE_SYSTEMS_H
#define BRENLOWICK_PSEUDO_FILE_SYSTEMS_H

#include <sys/types.h>

#include <optional>
#include <string>
#include <unordered_map>

// Tells the folders of the kernel's pseudo file systems (proc, sysfs, devtmpfs, devpts, cgroup,
// debugfs and the like), whose entries are the kernel's own state rather than stored files. The
// search treats them as system folders: their links lead back into themselves along ever new
// paths (every process's cwd and root, sysfs's device links), so a walk of them never ends.
//
// One instance serves one search: it asks the kernel once per device.
class PseudoFileSystems {
public:
    // Whether the folder open as folderFd, whose device is `device`, lies on such a file system.
    // A folder whose file system cannot be told is taken as stored data.
    bool holds(int folderFd, dev_t device);

private:
    bool isDeviceFileSystem(dev_t device);

    std::unordered_map<dev_t, bool> m_known;
    // The mount table's file-system type per device, read once when first needed.
    std::optional<std::unordered_map<dev_t, std::string>> m_mountTypes;
};

#endif
