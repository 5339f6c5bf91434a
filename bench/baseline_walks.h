#ifndef BRENLOWICK_BASELINE_WALKS_H
#define BRENLOWICK_BASELINE_WALKS_H

#include <string>
#include <vector>

// The shortest recursive readdir walk that finds the same songs as the search on a tree without
// links: full paths, each subfolder's songs before the folder's own.
void readdirWalk(const std::string &folder, std::vector<std::string> &found);

// The same walk for any tree, "/" included: links are followed, each real folder (device and
// inode) is listed once, and the mounts of the kernel's pseudo file systems, as the mount table
// names them, are left out. Returns the number of folders listed.
size_t realFolderWalk(const std::string &folder, std::vector<std::string> &found);

#endif
