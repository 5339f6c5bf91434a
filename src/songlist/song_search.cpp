#include "songlist/song_search.h"

#include "app/app_error.h"
#include "songlist/display_name.h"
#include "songlist/pseudo_file_systems.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <unordered_set>
#include <utility>
#include <vector>

bool isSongName(std::string_view name)
{
    return name.size() >= 3 && name.substr(name.size() - 3) == "mp3";
}

namespace {

using FolderId = std::pair<dev_t, ino_t>;

struct FolderIdHash {
    size_t operator()(const FolderId &id) const noexcept
    {
        return std::hash<uint64_t> {}(
            (static_cast<uint64_t>(id.first) * 0x9e3779b97f4a7c15ULL) ^ id.second);
    }
};

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

enum class Listing { Complete, Stopped, Failed };

// Reads the folder once, sorting its entries into subfolders and songs. Takes over frame.fd;
// keeps a descriptor in it only when there are subfolders to enter. Failed (errno set) when the
// folder cannot be listed at all; Stopped when yield asked to stop, with the entries read so far.
Listing listFolder(Frame &frame, const std::function<bool()> &yield)
{
    DIR *listing = ::fdopendir(frame.fd);
    if (!listing) {
        const int error = errno;
        ::close(frame.fd);
        frame.fd = -1;
        errno = error;
        return Listing::Failed;
    }
    const int folderFd = ::dirfd(listing);
    bool goOn = true;
    while (goOn) {
        const dirent *entry = ::readdir(listing);
        if (!entry)
            break;
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
        goOn = yield();
    }
    frame.fd = goOn && !frame.subfolders.empty() ? ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0) : -1;
    ::closedir(listing);
    return goOn ? Listing::Complete : Listing::Stopped;
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

size_t searchSongs(const std::string &folder,
    const std::function<void(std::string_view path, std::string_view name)> &onSong,
    const std::function<bool()> &yield)
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
    PseudoFileSystems pseudo;
    if (pseudo.holds(start.fd, start.id.first)) {
        ::close(start.fd);
        return 0;
    }
    const Listing startListing = listFolder(start, yield);
    if (startListing == Listing::Failed)
        raiseFromErrno(errno, displayName(folder));

    bool stopped = startListing == Listing::Stopped;
    // Every folder met, not only those on the current way down: links that fan out (each level
    // linking twice to the next) would otherwise multiply the walk with every level.
    std::unordered_set<FolderId, FolderIdHash> walked {start.id};
    size_t listed = 1;
    HeldDescriptors held(stack);
    while (!stack.empty()) {
        Frame &top = stack.back();
        if (!stopped && top.nextSubfolder < top.subfolders.size()) {
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
            // A folder on the same device as its parent is on the same file system, so the
            // kernel is asked only where the walk crosses into another mount.
            if (!identify(childFd, child.id)
                || (child.id.first != top.id.first && pseudo.holds(childFd, child.id.first))
                || !walked.insert(child.id).second) {
                ::close(childFd);
                continue;
            }
            path.resize(top.prefixLength);
            path.append(name);
            path.push_back('/');
            child.prefixLength = path.size();
            const Listing listing = listFolder(child, yield);
            if (listing == Listing::Failed)
                continue;
            ++listed;
            stopped = listing == Listing::Stopped;
            stack.push_back(std::move(child));
            held.adopt(stack);
            continue;
        }
        // Every subfolder's tree is done (or the walk was stopped): now this folder's own songs.
        size_t offset = 0;
        while (offset < top.songs.size()) {
            const std::string_view name = nextName(top.songs, offset);
            path.resize(top.prefixLength);
            path.append(name);
            onSong(path, name);
        }
        held.close(top);
        stack.pop_back();
    }
    return listed;
}
