#include "settings/settings_location.h"

#include <QFile>
#include <QStandardPaths>

#include <unistd.h>

namespace {

bool writableFolder(const std::filesystem::path &folder)
{
    std::error_code error;
    return std::filesystem::is_directory(folder, error)
        && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace

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
    if (settingsWritableAt(iniPath))
        return {iniPath, iniPath};
    std::error_code error;
    const bool userFileExists
        = std::filesystem::exists(std::filesystem::symlink_status(userPath, error));
    return {userFileExists ? userPath : iniPath, userPath};
}
