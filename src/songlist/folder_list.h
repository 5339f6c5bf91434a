#ifndef BRENLOWICK_FOLDER_LIST_H
#define BRENLOWICK_FOLDER_LIST_H

#include <QListWidget>

#include <filesystem>
#include <string>
#include <vector>

// The folder list: the ancestors of the current folder, the folder itself, then its
// subfolders (hidden ones left out), names decoded for display only. A double click or Enter
// on an entry opens it. Change is raised whenever the current folder changes.
class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget *parent = nullptr);

    std::filesystem::path path() const { return m_path; }
    // Throws AppError when the folder does not exist or cannot be listed; the list then keeps
    // its current folder.
    void setPath(const std::filesystem::path &folder);

Q_SIGNALS:
    void Change();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void open(QListWidgetItem *item);
    void fill(const std::filesystem::path &folder, const std::vector<std::string> &subfolders);

    std::filesystem::path m_path;
};

// The visible subfolders of a folder (links to folders included), sorted as shown. Throws
// AppError when the folder cannot be listed.
std::vector<std::string> listSubfolders(const std::filesystem::path &folder);

#endif
