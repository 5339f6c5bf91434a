#include "songlist/song_search.h"

#include "app/app_error.h"
#include "songlist/display_name.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <set>
#include <utility>
#include <vector>

bool isSongName(std::string_view name)
{
    return name.size() >= 3 && name.substr(name.size() - 3) == "mp3";
}

namespace {

using FolderId = std::pair<dev_t, ino_t>;

// One folder on the way down. Its path is the first prefixLength bytes of the walk's shared
// path buffer, so a chain of thousands of folders holds each name once, not each full path.
struct Frame {
    size_t prefixLength = 0;
    // Open while subfolders remain to be entered from it; closed as soon as the last one is
    // opened, so a deep chain holds a handful of descriptors, not one per level.
    int fd = -1;
    FolderId id {};
    // Names separated by NUL, which no file name can contain, in listing order.
    std::string subfolders;
    size_t nextSubfolder = 0;
    std::string songs;
};

enum class EntryKind { Folder, File, Other };

EntryKind kindOf(int folderFd, const dirent *entry)
{
    switch (entry->d_type) {
    case DT_DIR:
        return EntryKind::Folder;
    case DT_REG:
        return EntryKind::File;
    case DT_LNK:
    case DT_UNKNOWN: {
        // Follow links; a dangling one is simply not a file or folder.
        struct stat info { };
        if (::fstatat(folderFd, entry->d_name, &info, 0) != 0)
            return EntryKind::Other;
        if (S_ISDIR(info.st_mode))
            return EntryKind::Folder;
        return S_ISREG(info.st_mode) ? EntryKind::File : EntryKind::Other;
    }
    default:
        return EntryKind::Other;
    }
}

void appendName(std::string &names, std::string_view name)
{
    names.append(name);
    names.push_back('\0');
}

// Reads the folder once, sorting its entries into subfolders and songs. Takes over frame.fd;
// keeps a descriptor in it only when there are subfolders to enter. Returns false (errno
// set) when the folder cannot be listed at all.
bool listFolder(Frame &frame, const std::function<void()> &yield)
{
    DIR *listing = ::fdopendir(frame.fd);
    if (!listing) {
        const int error = errno;
        ::close(frame.fd);
        frame.fd = -1;
        errno = error;
        return false;
    }
    const int folderFd = ::dirfd(listing);
    while (const dirent *entry = ::readdir(listing)) {
        const std::string_view name(entry->d_name);
        // Dot names are hidden; "." and ".." are among them.
        if (!name.starts_with('.')) {
            switch (kindOf(folderFd, entry)) {
            case EntryKind::Folder:
                appendName(frame.subfolders, name);
                break;
            case EntryKind::File:
                if (isSongName(name))
                    appendName(frame.songs, name);
                break;
            case EntryKind::Other:
                break;
            }
        }
        yield();
    }
    frame.fd = frame.subfolders.empty() ? -1 : ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    ::closedir(listing);
    return true;
}

std::string_view nextName(const std::string &names, size_t &offset)
{
    const size_t end = names.find('\0', offset);
    const std::string_view name(names.data() + offset, end - offset);
    offset = end + 1;
    return name;
}

bool identify(int fd, FolderId &id)
{
    struct stat info { };
    if (::fstat(fd, &info) != 0)
        return false;
    id = {info.st_dev, info.st_ino};
    return true;
}

// Folders keep a descriptor while they have subfolders left to enter. A tree both deep and wide
// could hold more than the process may open, so past a share of that limit the shallowest
// folder gives its descriptor back and opens itself again by its path when its turn comes.
class HeldDescriptors {
public:
    explicit HeldDescriptors(std::vector<Frame> &stack)
    {
        rlimit limit {};
        size_t allowed = 1024;
        if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            allowed = static_cast<size_t>(limit.rlim_cur);
        m_budget = std::clamp<size_t>(allowed / 4, 8, 256);
        adopt(stack);
    }

    // Counts the descriptor of the frame just pushed and gives back older ones over budget.
    void adopt(std::vector<Frame> &stack)
    {
        if (stack.back().fd >= 0)
            ++m_held;
        for (size_t i = 0; m_held > m_budget && i + 1 < stack.size(); ++i)
            close(stack[i]);
    }

    void close(Frame &frame)
    {
        if (frame.fd < 0)
            return;
        ::close(frame.fd);
        frame.fd = -1;
        --m_held;
    }

    // Opens a frame's folder again by its path; false when it is gone or no longer the same.
    bool reopen(Frame &frame, std::string &path)
    {
        path.resize(frame.prefixLength);
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        FolderId id {};
        if (fd < 0 || !identify(fd, id) || id != frame.id) {
            if (fd >= 0)
                ::close(fd);
            return false;
        }
        frame.fd = fd;
        ++m_held;
        return true;
    }

private:
    size_t m_budget = 0;
    size_t m_held = 0;
};

} // namespace

void searchSongs(const std::string &folder,
    const std::function<void(std::string_view path, std::string_view name)> &onSong,
    const std::function<void()> &yield)
{
    std::string path = folder;
    if (path.empty() || path.back() != '/')
        path.push_back('/');

    std::vector<Frame> stack(1);
    Frame &start = stack.front();
    start.prefixLength = path.size();
    start.fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (start.fd < 0 || !identify(start.fd, start.id)) {
        const int error = errno;
        if (start.fd >= 0)
            ::close(start.fd);
        raiseFromErrno(error, displayName(folder));
    }
    if (!listFolder(start, yield))
        raiseFromErrno(errno, displayName(folder));

    std::set<FolderId> onWalk {start.id};
    HeldDescriptors held(stack);
    while (!stack.empty()) {
        Frame &top = stack.back();
        if (top.nextSubfolder < top.subfolders.size()) {
            if (top.fd < 0 && !held.reopen(top, path)) {
                top.nextSubfolder = top.subfolders.size();
                continue;
            }
            const std::string_view name = nextName(top.subfolders, top.nextSubfolder);
            const int childFd
                = ::openat(top.fd, std::string(name).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (top.nextSubfolder >= top.subfolders.size())
                held.close(top);
            Frame child;
            child.fd = childFd;
            if (childFd < 0)
                continue;
            if (!identify(childFd, child.id) || onWalk.count(child.id)) {
                ::close(childFd);
                continue;
            }
            path.resize(top.prefixLength);
            path.append(name);
            path.push_back('/');
            child.prefixLength = path.size();
            if (!listFolder(child, yield))
                continue;
            onWalk.insert(child.id);
            stack.push_back(std::move(child));
            held.adopt(stack);
            continue;
        }
        // Every subfolder's tree is done: now this folder's own songs.
        path.resize(top.prefixLength);
        size_t offset = 0;
        while (offset < top.songs.size()) {
            const std::string_view name = nextName(top.songs, offset);
            path.resize(top.prefixLength);
            path.append(name);
            onSong(path, name);
        }
        held.close(top);
        onWalk.erase(top.id);
        stack.pop_back();
    }
}
