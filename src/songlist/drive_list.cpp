#include "songlist/drive_list.h"

#include "app/app_error.h"
#include "platform/drive_provider.h"

DriveList::DriveList(DriveProvider &drives, QWidget *parent) : QComboBox(parent), m_drives(drives)
{
}

void DriveList::refresh()
{
    clear();
    for (const auto &mount : m_drives.mountPoints())
        addItem(QString::fromStdString(mount.native()));
}

void DriveList::setDrive(const std::filesystem::path &drive)
{
    std::error_code error;
    if (!std::filesystem::is_directory(drive, error))
        raiseError(ErrNo::DeviceUnavailable, QString::fromStdString(drive.native()));
    m_drive = drive;
    Q_EMIT Change();
}
