#include "songlist/drive_list.h"

#include "app/app_error.h"
#include "platform/drive_provider.h"
#include "songlist/display_name.h"

#include <QByteArray>

namespace {

QByteArray bytesOf(const std::filesystem::path &path)
{
    return QByteArray::fromStdString(path.native());
}

} // namespace

DriveList::DriveList(DriveProvider &drives, QWidget *parent)
    : QComboBox(parent)
    , m_drives(drives)
{
    refresh();
    if (count() > 0)
        m_drive = itemData(0).toByteArray().toStdString();
    connect(this, &QComboBox::activated, this, &DriveList::choose);
}

void DriveList::refresh()
{
    const QSignalBlocker quiet(this);
    clear();
    for (const auto &mount : m_drives.mountPoints())
        addDrive(mount);
    if (!m_drive.empty()) {
        const int current = indexOfDrive(m_drive);
        setCurrentIndex(current >= 0 ? current : addDrive(m_drive));
    }
}

void DriveList::showPopup()
{
    refresh();
    QComboBox::showPopup();
}

int DriveList::indexOfDrive(const std::filesystem::path &drive) const
{
    return findData(bytesOf(drive));
}

int DriveList::addDrive(const std::filesystem::path &drive)
{
    addItem(displayName(drive.native()), bytesOf(drive));
    return count() - 1;
}

void DriveList::setDrive(const std::filesystem::path &drive)
{
    int index = indexOfDrive(drive);
    if (index < 0) {
        std::error_code error;
        if (drive.empty() || !std::filesystem::is_directory(drive, error))
            raiseError(ErrNo::DeviceUnavailable, displayName(drive.native()));
        const QSignalBlocker quiet(this);
        index = addDrive(drive);
    }
    {
        const QSignalBlocker quiet(this);
        setCurrentIndex(index);
    }
    if (drive == m_drive)
        return;
    m_drive = drive;
    Q_EMIT Change();
}

void DriveList::choose(int index)
{
    if (index < 0)
        return;
    const std::filesystem::path chosen = itemData(index).toByteArray().toStdString();
    if (chosen == m_drive)
        return;
    m_drive = chosen;
    Q_EMIT Change();
}
