#include "settings/drive_of_folder.h"

#include <string>

namespace {

std::string withoutTrailingSeparators(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool holds(const std::string &mountPoint, const std::string &folder)
{
    if (mountPoint == "/")
        return !folder.empty() && folder.front() == '/';
    return folder.size() >= mountPoint.size()
        && folder.compare(0, mountPoint.size(), mountPoint) == 0
        && (folder.size() == mountPoint.size() || folder[mountPoint.size()] == '/');
}

} // namespace

std::filesystem::path driveOfFolder(
    const std::filesystem::path &folder, const std::vector<std::filesystem::path> &mountPoints)
{
    const std::string path = withoutTrailingSeparators(folder.native());
    std::string best = "/";
    for (const std::filesystem::path &mount : mountPoints) {
        const std::string candidate = withoutTrailingSeparators(mount.native());
        if (!candidate.empty() && holds(candidate, path) && candidate.size() > best.size())
            best = candidate;
    }
    return best;
}
