#ifndef BRENLOWICK_SETTINGS_KEYS_H
#define BRENLOWICK_SETTINGS_KEYS_H

#include <cstddef>
#include <string_view>

// The names in the settings file, shared by the loader and the saver so they cannot drift.
namespace SettingsKeys {
constexpr std::string_view File = "FILE";
constexpr std::string_view Attribute = "ATTRIBUTE";

constexpr std::string_view Drive = "DRIVE";
constexpr std::string_view FilePath = "FILEPATH";
constexpr std::string_view FormExpand = "FORMEXPAND";
constexpr std::string_view FormTop = "FORMTOP";
constexpr std::string_view FormLeft = "FORMLEFT";
constexpr std::string_view Random = "RANDOM";
constexpr std::string_view PlayRepeat = "PLAYREPEAT";
constexpr std::string_view PlayLoop = "PLAYLOOP";
constexpr std::string_view AutoPlay = "AUTOPLAY";
constexpr std::string_view Minimum = "MINIMUM";

// The read buffers of the two text keys; a value keeps at most one byte less.
constexpr std::size_t DriveBuffer = 128;
constexpr std::size_t FilePathBuffer = 1024;
} // namespace SettingsKeys

// The window outline the stored position is checked against: the compact outer height and the
// outer width (client width plus frame), in twips.
constexpr double CompactOuterHeightTwips = 1590;
constexpr double OuterWidthTwips = 3975;

#endif
