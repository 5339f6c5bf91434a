#include "songlist/folder_list.h"

#include "app/app_error.h"

FolderList::FolderList(QWidget *parent) : QListWidget(parent) {}

void FolderList::setPath(const std::filesystem::path &folder)
{
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        raiseError(ErrNo::PathNotFound, QString::fromStdString(folder.native()));
    m_path = folder;
    Q_EMIT Change();
}
