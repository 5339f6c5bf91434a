#include "app/main_window.h"

#include "platform/window_placement.h"

#include "settings/profile_storage.h"
#include "settings/profile_text.h"
#include "settings/settings_keys.h"
#include "settings/settings_location.h"
#include "songlist/drive_list.h"
#include "songlist/folder_list.h"

#include <QCheckBox>

#include <cmath>
#include <string>

namespace {

// Window positions are whole twips; the text is a plain integer, negative beyond the screen's
// top or left edge.
std::string positionText(double twips)
{
    return std::to_string(std::llround(twips));
}

// Where the windowing system keeps the window's position to itself (Wayland), the position the
// window reads is the toolkit's invention, and writing it would lose the one the file holds from
// a session that could tell: the file keeps its value, and a missing key stays 0 (centred).
std::string keptPositionText(const ProfileText &profile, std::string_view key)
{
    return std::to_string(profile.readInteger(SettingsKeys::Attribute, key, 0));
}

std::string checkValueText(const QCheckBox *box)
{
    return box->isChecked() ? "1" : "0";
}

} // namespace

void frmMain::SaveSettings()
{
    namespace Keys = SettingsKeys;
    // Runs from the unload, which has no trap: nothing here may escape, and a file that cannot
    // be written is given up silently with the old one left as it was.
    if (IniPath.empty())
        return;
    try {
        const SettingsLocation location = settingsLocationFor(IniPath, userSettingsPath());
        // Kept lines of the file survive; a file that is not a readable text file is
        // replaced by a clean one.
        ProfileText profile(readProfileBytes(location.readFrom).value_or(std::string()));

        // A value the file cannot hold (a folder name with a line break) leaves its key as it
        // was; the other keys are still written.
        PendingError skipped;
        const auto write
            = [&](std::string_view section, std::string_view key, const std::string &value) {
                  ResumeNext(skipped, [&] { profile.writeText(section, key, value); });
              };
        write(Keys::File, Keys::Drive, Drive->drive().native());
        write(Keys::File, Keys::FilePath, DirTree->path().native());
        this->FormExpand = this->FormExpand == 1 ? 3 : static_cast<int16_t>(this->FormExpand - 1);
        write(Keys::Attribute, Keys::FormExpand, std::to_string(this->FormExpand));
        const bool positionKnown = m_platform.placement.positionKnown();
        write(Keys::Attribute, Keys::FormTop,
            positionKnown ? positionText(windowTop()) : keptPositionText(profile, Keys::FormTop));
        write(Keys::Attribute, Keys::FormLeft,
            positionKnown ? positionText(windowLeft()) : keptPositionText(profile, Keys::FormLeft));
        write(Keys::Attribute, Keys::Random, checkValueText(chkRandom));
        write(Keys::Attribute, Keys::PlayRepeat, checkValueText(chkPlayRepeat));
        write(Keys::Attribute, Keys::PlayLoop, checkValueText(chkPlayLoop));
        write(Keys::Attribute, Keys::AutoPlay, checkValueText(chkAutoPlay));
        write(Keys::Attribute, Keys::Minimum, checkValueText(chkMinimum));

        std::error_code error;
        std::filesystem::create_directories(location.writeTo.parent_path(), error);
        replaceFileAtomically(location.writeTo, profile.bytes());
    } catch (...) {
        // Same as a failed write: the old file stays.
    }
}
