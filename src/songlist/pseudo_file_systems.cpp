#include "songlist/pseudo_file_systems.h"

#include <linux/magic.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <utility>

namespace {

// Types the kernel fills from its own state. A few are missing from <linux/magic.h>; their
// numbers are the kernel's own.
constexpr unsigned long ConfigFsMagic = 0x62656570;
constexpr unsigned long FuseControlMagic = 0x65735543;
constexpr unsigned long MessageQueueMagic = 0x19800202;
constexpr unsigned long RpcPipeFsMagic = 0x67596969;
constexpr unsigned long NfsdMagic = 0x6e667364;

constexpr auto KernelStateTypes = std::to_array<unsigned long>({
    PROC_SUPER_MAGIC,
    SYSFS_MAGIC,
    DEVPTS_SUPER_MAGIC,
    CGROUP_SUPER_MAGIC,
    CGROUP2_SUPER_MAGIC,
    DEBUGFS_MAGIC,
    TRACEFS_MAGIC,
    SECURITYFS_MAGIC,
    PSTOREFS_MAGIC,
    BPF_FS_MAGIC,
    ConfigFsMagic,
    FuseControlMagic,
    MessageQueueMagic,
    HUGETLBFS_MAGIC,
    BINFMTFS_MAGIC,
    EFIVARFS_MAGIC,
    SELINUX_MAGIC,
    SMACK_MAGIC,
    AAFS_MAGIC,
    NSFS_MAGIC,
    RDTGROUP_SUPER_MAGIC,
    OPENPROM_SUPER_MAGIC,
    USBDEVICE_SUPER_MAGIC,
    XENFS_SUPER_MAGIC,
    BINDERFS_SUPER_MAGIC,
    RpcPipeFsMagic,
    NfsdMagic,
});

// The devices of the device folder: a devtmpfs wherever it is mounted, and whatever file system
// is mounted on /dev, which in a container is a plain tmpfs the container's runtime filled with
// device nodes. The mount table reads "ID PARENT MAJOR:MINOR ROOT MOUNTPOINT OPTIONS [TAGS...] -
// TYPE SOURCE ...", with spaces inside paths written as \040, so fields split on spaces.
std::unordered_set<dev_t> readDeviceFolders(const std::string &mountTable)
{
    std::unordered_set<dev_t> devices;
    std::ifstream table(mountTable);
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint, field;
        fields >> id >> parent >> device >> root >> mountPoint;
        while (fields >> field && field != "-") { }
        std::string type;
        unsigned major = 0;
        unsigned minor = 0;
        if (fields >> type && (type == "devtmpfs" || mountPoint == "/dev")
            && std::sscanf(device.c_str(), "%u:%u", &major, &minor) == 2)
            devices.insert(makedev(major, minor));
    }
    return devices;
}

} // namespace

PseudoFileSystems::PseudoFileSystems(std::string mountTable)
    : m_mountTable(std::move(mountTable))
{
}

bool PseudoFileSystems::holds(int folderFd, dev_t device)
{
    if (const auto known = m_known.find(device); known != m_known.end())
        return known->second;
    struct statfs info { };
    bool pseudo = false;
    if (::fstatfs(folderFd, &info) == 0) {
        const auto type = static_cast<unsigned long>(info.f_type);
        pseudo = std::find(KernelStateTypes.begin(), KernelStateTypes.end(), type)
            != KernelStateTypes.end();
        // The device folder reports itself as an ordinary memory file system; only the mount
        // table tells it apart.
        if (!pseudo && (type == TMPFS_MAGIC || type == RAMFS_MAGIC))
            pseudo = isDeviceFolder(device);
    }
    m_known.emplace(device, pseudo);
    return pseudo;
}

bool PseudoFileSystems::isDeviceFolder(dev_t device)
{
    if (!m_deviceFolders)
        m_deviceFolders = readDeviceFolders(m_mountTable);
    return m_deviceFolders->contains(device);
}
