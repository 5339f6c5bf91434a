#ifndef BRENLOWICK_FOLDER_LIST_H
#define BRENLOWICK_FOLDER_LIST_H

#include <QListWidget>

#include <filesystem>

// The folder list: the ancestors of the current folder, then its subfolders.
class FolderList : public QListWidget
{
    Q_OBJECT
public:
    explicit FolderList(QWidget *parent = nullptr);

    std::filesystem::path path() const { return m_path; }
    // Throws AppError when the folder does not exist or cannot be opened.
    void setPath(const std::filesystem::path &folder);

Q_SIGNALS:
    void Change();

private:
    std::filesystem::path m_path;
};

#endif
