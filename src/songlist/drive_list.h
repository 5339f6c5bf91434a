#ifndef BRENLOWICK_DRIVE_LIST_H
#define BRENLOWICK_DRIVE_LIST_H

#include <QComboBox>

#include <filesystem>

class DriveProvider;

// The drive list: the mount points that hold files. Change is raised whenever the current
// drive changes, by the user or from code.
class DriveList : public QComboBox
{
    Q_OBJECT
public:
    DriveList(DriveProvider &drives, QWidget *parent = nullptr);

    std::filesystem::path drive() const { return m_drive; }
    // Throws AppError when no such drive is available.
    void setDrive(const std::filesystem::path &drive);
    void refresh();

Q_SIGNALS:
    void Change();

private:
    DriveProvider &m_drives;
    std::filesystem::path m_drive;
};

#endif
