#include "songlist/folder_list.h"

#include "app/button_pictures.h"

#include "app/app_error.h"
#include "songlist/display_name.h"

#include <QKeyEvent>
#include <QStyle>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

namespace {

constexpr int PathRole = Qt::UserRole;

std::filesystem::path withoutTrailingSeparators(const std::filesystem::path &folder)
{
    std::string text = folder.lexically_normal().native();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

} // namespace

std::vector<std::string> listSubfolders(const std::filesystem::path &folder)
{
    DIR *listing = ::opendir(folder.c_str());
    if (!listing)
        raiseFromErrno(errno, displayName(folder.native()));
    std::vector<std::string> names;
    while (const dirent *entry = ::readdir(listing)) {
        const std::string_view name(entry->d_name);
        if (name.starts_with('.'))
            continue;
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
            struct stat info { };
            isFolder = ::fstatat(::dirfd(listing), entry->d_name, &info, 0) == 0
                && S_ISDIR(info.st_mode);
        }
        if (isFolder)
            names.emplace_back(name);
    }
    ::closedir(listing);
    std::vector<std::pair<QString, std::string>> shown;
    shown.reserve(names.size());
    for (std::string &name : names)
        shown.emplace_back(displayName(name), std::move(name));
    std::sort(shown.begin(), shown.end(), [](const auto &a, const auto &b) {
        const int order = a.first.compare(b.first, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.second < b.second;
    });
    names.clear();
    for (auto &entry : shown)
        names.push_back(std::move(entry.second));
    return names;
}

FolderList::FolderList(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Small folder pictures keep the rows as close as lines of text, so that the short list
    // shows as many folders as it can.
    setIconSize(QSize(16, 16));
    connect(this, &QListWidget::itemDoubleClicked, this, &FolderList::open);
}

void FolderList::setPath(const std::filesystem::path &folder)
{
    std::filesystem::path target = folder;
    if (target.is_relative()) {
        std::error_code error;
        target = std::filesystem::absolute(target, error);
    }
    target = withoutTrailingSeparators(target);
    std::error_code error;
    if (target.empty() || !std::filesystem::is_directory(target, error))
        raiseError(ErrNo::PathNotFound, displayName(folder.native()));
    const std::vector<std::string> subfolders = listSubfolders(target);
    fill(target, subfolders);
    if (target == m_path)
        return;
    m_path = target;
    Q_EMIT Change();
}

void FolderList::fill(
    const std::filesystem::path &folder, const std::vector<std::string> &subfolders)
{
    clear();
    static const QIcon openIcon = ButtonPicture::folderOpen();
    static const QIcon closedIcon = ButtonPicture::folderClosed();
    std::vector<std::filesystem::path> chain;
    for (std::filesystem::path step = folder;; step = step.parent_path()) {
        chain.push_back(step);
        if (step == step.parent_path() || step.parent_path().empty())
            break;
    }
    std::reverse(chain.begin(), chain.end());
    int depth = 0;
    QListWidgetItem *current = nullptr;
    for (const auto &step : chain) {
        const std::string name
            = step == step.root_path() ? step.native() : step.filename().native();
        auto *item = new QListWidgetItem(
            openIcon, QString(depth * 2, QLatin1Char(' ')) + displayName(name), this);
        item->setData(PathRole, QByteArray::fromStdString(step.native()));
        current = item;
        ++depth;
    }
    const std::string prefix = folder.native() == "/" ? std::string("/") : folder.native() + "/";
    for (const std::string &name : subfolders) {
        auto *item = new QListWidgetItem(
            closedIcon, QString(depth * 2, QLatin1Char(' ')) + displayName(name), this);
        item->setData(PathRole, QByteArray::fromStdString(prefix + name));
    }
    setCurrentItem(current);
}

void FolderList::open(QListWidgetItem *item)
{
    if (!item)
        return;
    const std::filesystem::path target = item->data(PathRole).toByteArray().toStdString();
    try {
        setPath(target);
    } catch (const AppError &) {
        // The folder went away since it was listed: show what is there now.
        try {
            setPath(m_path);
        } catch (const AppError &) {
            clear();
        }
    }
}

void FolderList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        open(currentItem());
        return;
    }
    QListWidget::keyPressEvent(event);
}
