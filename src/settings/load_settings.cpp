#include "app/main_window.h"

#include "platform/drive_provider.h"
#include "platform/process_control.h"
#include "platform/screen_metrics.h"
#include "playback/round_half_even.h"
#include "settings/drive_of_folder.h"
#include "settings/profile_storage.h"
#include "settings/profile_text.h"
#include "settings/settings_keys.h"
#include "settings/settings_location.h"
#include "songlist/drive_list.h"
#include "songlist/folder_list.h"

#include <QCheckBox>

#include <cmath>
#include <limits>

namespace {

// Half of the room the screen leaves beside the window. A window position is a 16-bit number
// here: a screen so large that the centre does not fit fails the step (overflow).
double centredPosition(double screenLength, double windowLength)
{
    const int32_t rounded = roundHalfEven((screenLength - windowLength) / 2.0);
    if (rounded < std::numeric_limits<int16_t>::min()
        || rounded > std::numeric_limits<int16_t>::max())
        raiseError(ErrNo::Overflow);
    return rounded;
}

int32_t checkValueOr(int32_t value, int32_t fallback)
{
    return (value == 0 || value == 1) ? value : fallback;
}

// Setting a box from code raises its click, as a user's click would, but only when the value
// really changes.
void setCheckValue(QCheckBox *box, int32_t value)
{
    const bool checked = value == 1;
    if (box->isChecked() == checked)
        return;
    box->setChecked(checked);
    Q_EMIT box->clicked(checked);
}

ProfileText loadProfile(const std::filesystem::path &iniPath) noexcept
{
    try {
        if (iniPath.empty())
            return {};
        const SettingsLocation location = settingsLocationFor(iniPath, userSettingsPath());
        return ProfileText(readProfileBytes(location.readFrom).value_or(std::string()));
    } catch (...) {
        // A file that cannot be read gives every key its default.
        return {};
    }
}

} // namespace

void frmMain::LoadSettings()
{
    namespace Keys = SettingsKeys;
    // Each statement that fails is passed over silently; only the folder step looks back at
    // what failed before it.
    PendingError pending;
    const ProfileText profile = loadProfile(IniPath);
    const auto programFolder = [this] { return m_platform.process.programFolder(); };

    const std::string drive = profile.readText(Keys::File, Keys::Drive, {}, Keys::DriveBuffer);
    ResumeNext(pending, [&] {
        if (!drive.empty())
            Drive->setDrive(drive);
        else
            Drive->setDrive(driveOfFolder(programFolder(), m_platform.drives.mountPoints()));
    });

    const std::string folder
        = profile.readText(Keys::File, Keys::FilePath, {}, Keys::FilePathBuffer);
    if (!folder.empty()) {
        ResumeNext(pending, [&] { DirTree->setPath(folder); });
        if (!pending.description().isEmpty()) {
            ResumeNext(pending, [&] { DirTree->setPath(programFolder()); });
            pending.clear();
        }
    } else {
        ResumeNext(pending, [&] { DirTree->setPath(programFolder()); });
    }

    ResumeNext(pending, [&] {
        const int32_t expand = profile.readInteger(Keys::Attribute, Keys::FormExpand, 0);
        this->FormExpand = (expand >= 1 && expand <= 3) ? static_cast<int16_t>(expand) : 3;
    });

    ResumeNext(pending, [&] {
        const int32_t top = profile.readInteger(Keys::Attribute, Keys::FormTop, 0);
        const double screenHeight = m_platform.screen.heightTwips();
        if (top != 0 && screenHeight - CompactOuterHeightTwips > top)
            setWindowTop(top);
        else
            setWindowTop(centredPosition(screenHeight, CompactOuterHeightTwips));
    });

    ResumeNext(pending, [&] {
        const int32_t left = profile.readInteger(Keys::Attribute, Keys::FormLeft, 0);
        const double screenWidth = m_platform.screen.widthTwips();
        if (left != 0 && screenWidth - OuterWidthTwips > left)
            setWindowLeft(left);
        else
            setWindowLeft(centredPosition(screenWidth, OuterWidthTwips));
    });

    const auto loadCheckBox = [&](QCheckBox *box, std::string_view key, int32_t fallback) {
        ResumeNext(pending, [&] {
            setCheckValue(
                box, checkValueOr(profile.readInteger(Keys::Attribute, key, fallback), fallback));
        });
    };
    loadCheckBox(chkRandom, Keys::Random, 0);
    loadCheckBox(chkPlayRepeat, Keys::PlayRepeat, 0);
    loadCheckBox(chkPlayLoop, Keys::PlayLoop, 1);
    loadCheckBox(chkAutoPlay, Keys::AutoPlay, 0);
    loadCheckBox(chkMinimum, Keys::Minimum, 0);
}
