#ifndef BRENLOWICK_SETTINGS_LOCATION_H
#define BRENLOWICK_SETTINGS_LOCATION_H

#include <filesystem>

// Where the settings live. The file belongs beside the program (iniPath, in its folder), but a
// program installed in a system folder cannot write there, and its settings would be lost at
// every end; such a program keeps them in the user's configuration folder instead.
struct SettingsLocation {
    std::filesystem::path readFrom;
    std::filesystem::path writeTo;
};

// Whether folder is the program's own folder of an installed program: <prefix>/lib/brenlowick,
// with its data in <prefix>/share/brenlowick. That folder belongs to the package manager (or to
// whoever installed it), so the program never writes there, even where it could (as root).
bool installedProgramFolder(const std::filesystem::path &folder);

// The user's own settings file: the application's configuration folder plus "Brenlowick.ini".
std::filesystem::path userSettingsPath();

// Whether the settings file can be (re)written at iniPath: its folder is writable, and
// whatever is already there is a writable file, a link to one, or a dangling link.
bool settingsWritableAt(const std::filesystem::path &iniPath);

// The program's folder when its file can be written there and the program is not an installed
// one. Otherwise writes go to userPath,
// and reads come from userPath once it exists, until then from iniPath, so a file that ships
// beside an installed program still gives the first start its values.
SettingsLocation settingsLocationFor(
    const std::filesystem::path &iniPath, const std::filesystem::path &userPath);

#endif
