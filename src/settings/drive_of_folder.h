#ifndef BRENLOWICK_DRIVE_OF_FOLDER_H
#define BRENLOWICK_DRIVE_OF_FOLDER_H

#include <filesystem>
#include <vector>

// The drive a folder lies on: the deepest of the mount points that holds it ("/" when none
// does). The drive list's designations are mount points, so this is what stands for a
// folder's drive letter.
std::filesystem::path driveOfFolder(
    const std::filesystem::path &folder, const std::vector<std::filesystem::path> &mountPoints);

#endif
