#include "bench/baseline_walks.h"

#include "songlist/song_search.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string_view>
#include <utility>

namespace {

// Sorts a folder's entries into subfolders and songs; links and unknown types are looked up.
void listEntries(
    DIR *listing, std::vector<std::string> &subfolders, std::vector<std::string> &songs)
{
    while (const dirent *entry = ::readdir(listing)) {
        const std::string_view name(entry->d_name);
        if (name.starts_with('.'))
            continue;
        unsigned char type = entry->d_type;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat info { };
            if (::fstatat(::dirfd(listing), entry->d_name, &info, 0) != 0)
                continue;
            type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR)
            subfolders.emplace_back(name);
        else if (type == DT_REG && isSongName(name))
            songs.emplace_back(name);
    }
}

std::set<dev_t> pseudoMountDevices()
{
    static const std::set<std::string> pseudoTypes
        = {"proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "debugfs", "tracefs",
            "securityfs", "pstore", "bpf", "configfs", "fusectl", "mqueue", "hugetlbfs",
            "binfmt_misc", "efivarfs", "selinuxfs", "nsfs", "rpc_pipefs", "nfsd"};
    std::set<dev_t> devices;
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, field, type;
        fields >> id >> parent >> device;
        while (fields >> field && field != "-") { }
        unsigned major = 0;
        unsigned minor = 0;
        if (fields >> type && pseudoTypes.count(type)
            && std::sscanf(device.c_str(), "%u:%u", &major, &minor) == 2)
            devices.insert(makedev(major, minor));
    }
    return devices;
}

// What the walk of real folders keeps: the pseudo file systems' devices and every folder listed.
struct RealFolders {
    std::set<dev_t> pseudoDevices;
    std::set<std::pair<dev_t, ino_t>> listed;
};

// Without realFolders, every way down is walked and nothing is left out.
void walk(const std::string &folder, std::vector<std::string> &found, RealFolders *realFolders)
{
    DIR *listing = ::opendir(folder.empty() ? "/" : folder.c_str());
    if (!listing)
        return;
    struct stat info { };
    if (realFolders
        && (::fstat(::dirfd(listing), &info) != 0 || realFolders->pseudoDevices.count(info.st_dev)
            || !realFolders->listed.insert({info.st_dev, info.st_ino}).second)) {
        ::closedir(listing);
        return;
    }
    std::vector<std::string> subfolders;
    std::vector<std::string> songs;
    listEntries(listing, subfolders, songs);
    ::closedir(listing);
    for (const std::string &name : subfolders)
        walk(folder + "/" + name, found, realFolders);
    for (const std::string &name : songs)
        found.push_back(folder + "/" + name);
}

} // namespace

void readdirWalk(const std::string &folder, std::vector<std::string> &found)
{
    walk(folder, found, nullptr);
}

size_t realFolderWalk(const std::string &folder, std::vector<std::string> &found)
{
    RealFolders realFolders {pseudoMountDevices(), {}};
    walk(folder.ends_with('/') ? folder.substr(0, folder.size() - 1) : folder, found, &realFolders);
    return realFolders.listed.size();
}
