#include "settings/settings_location.h"

#include <QFile>
#include <QStandardPaths>

#include <vector>

#include <unistd.h>

namespace {

bool writableFolder(const std::filesystem::path &folder)
{
    std::error_code error;
    return std::filesystem::is_directory(folder, error)
        && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace

bool installedProgramFolder(const std::filesystem::path &folder)
{
    namespace fs = std::filesystem;
    // Both come from the install rules, so the two cannot drift apart.
    const fs::path programDir = BRENLOWICK_INSTALL_PROGRAM_DIR;
    const fs::path dataDir = BRENLOWICK_INSTALL_DATA_DIR;
    // Name by name from the end, so a trailing separator or a "." makes no difference.
    fs::path prefix = folder.lexically_normal();
    if (!prefix.has_filename())
        prefix = prefix.parent_path();
    const std::vector<fs::path> names(programDir.begin(), programDir.end());
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (prefix.filename() != *name)
            return false;
        prefix = prefix.parent_path();
    }
    std::error_code error;
    return fs::is_directory(prefix / dataDir, error);
}

std::filesystem::path userSettingsPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return std::filesystem::path(QFile::encodeName(folder).toStdString()) / "Brenlowick.ini";
}

bool settingsWritableAt(const std::filesystem::path &iniPath)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status link = fs::symlink_status(iniPath, error);
    if (error && link.type() != fs::file_type::not_found)
        return false;
    if (!fs::exists(link))
        return writableFolder(iniPath.parent_path());
    const fs::file_status target = fs::status(iniPath, error);
    if (fs::is_symlink(link) && !fs::exists(target))
        return writableFolder(iniPath.parent_path());
    if (!fs::is_regular_file(target) || ::access(iniPath.c_str(), W_OK) != 0)
        return false;
    // The new file is renamed into the folder of the file it replaces.
    const fs::path real = fs::is_symlink(link) ? fs::canonical(iniPath, error) : iniPath;
    return !error && writableFolder(real.parent_path());
}

SettingsLocation settingsLocationFor(
    const std::filesystem::path &iniPath, const std::filesystem::path &userPath)
{
    if (!installedProgramFolder(iniPath.parent_path()) && settingsWritableAt(iniPath))
        return {iniPath, iniPath};
    std::error_code error;
    const bool userFileExists
        = std::filesystem::exists(std::filesystem::symlink_status(userPath, error));
    return {userFileExists ? userPath : iniPath, userPath};
}
