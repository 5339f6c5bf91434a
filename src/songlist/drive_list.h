#ifndef BRENLOWICK_DRIVE_LIST_H
#define BRENLOWICK_DRIVE_LIST_H

#include <QComboBox>

#include <filesystem>

class DriveProvider;

// The drive list: the mount points that hold files, root first. Change is raised whenever the
// current drive changes, by the user or from code; choosing the drive already current raises
// nothing.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    DriveList(DriveProvider &drives, QWidget *parent = nullptr);

    std::filesystem::path drive() const { return m_drive; }
    // Accepts a listed mount point even when it cannot be opened right now (the folder list
    // reports that), or any existing folder, which joins the list. Throws AppError (device
    // unavailable) for anything else and keeps the current drive.
    void setDrive(const std::filesystem::path &drive);
    // Lists the mount points again, keeping the current drive.
    void refresh();

Q_SIGNALS:
    void Change();

protected:
    // Media come and go: the list is read again each time it opens.
    void showPopup() override;

private:
    int indexOfDrive(const std::filesystem::path &drive) const;
    int addDrive(const std::filesystem::path &drive);
    void choose(int index);

    DriveProvider &m_drives;
    std::filesystem::path m_drive;
};

#endif
