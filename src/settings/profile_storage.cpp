#include "settings/profile_storage.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes a descriptor when the scope ends, whichever way it ends.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now and reports whether the last buffered data made it out.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd = -1;
};

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// The file a write really goes to: the target of a link that points at something, else the
// path itself (a dangling link is simply replaced).
std::filesystem::path writeDestination(const std::filesystem::path &target)
{
    std::error_code error;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(target, error))) {
        const std::filesystem::path resolved = std::filesystem::canonical(target, error);
        if (!error)
            return resolved;
    }
    return target;
}

mode_t modeForNewFile()
{
    // umask can only be read by setting it; the program writes its settings from the one
    // thread that creates files.
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

// Filling a buffer of many megabytes costs one page fault per 4 KB page, which dominates the
// read of a large file; large pages cut that to one per 2 MB where the system offers them.
void preferLargePages(std::string &buffer)
{
    constexpr std::uintptr_t LargePage = std::uintptr_t(2) << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(buffer.data());
    const std::uintptr_t first = (begin + LargePage - 1) & ~(LargePage - 1);
    const std::uintptr_t last = (begin + buffer.capacity()) & ~(LargePage - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
}

void syncFolderOf(const std::filesystem::path &file)
{
    // Makes the rename itself durable; a file system that cannot sync folders still has the
    // complete file under one of the two names.
    std::filesystem::path folder = file.parent_path();
    if (folder.empty())
        folder = ".";
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid())
        ::fsync(fd.get());
}

} // namespace

std::optional<std::string> readProfileBytes(const std::filesystem::path &path) noexcept
{
    try {
        // O_NONBLOCK: a named pipe put in the file's place must not hang the start-up.
        FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
        struct stat info { };
        if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)
            || static_cast<std::size_t>(info.st_size) > MaxProfileBytes)
            return std::nullopt;
        // One byte to spare, so that the read which finds the end needs no larger buffer
        // (growing would copy the whole file once more).
        std::string bytes;
        bytes.reserve(static_cast<std::size_t>(info.st_size) + 1);
        preferLargePages(bytes);
        bytes.resize(bytes.capacity());
        std::size_t filled = 0;
        // The file may change size while it is read: read to its end, never past the limit.
        for (;;) {
            if (filled == bytes.size()) {
                if (bytes.size() > MaxProfileBytes)
                    return std::nullopt;
                bytes.resize(bytes.size() + 65536);
            }
            const ssize_t got = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return std::nullopt;
            if (got == 0)
                break;
            filled += static_cast<std::size_t>(got);
        }
        bytes.resize(filled);
        if (std::memchr(bytes.data(), '\0', bytes.size()) != nullptr)
            return std::nullopt;
        return bytes;
    } catch (...) {
        return std::nullopt;
    }
}

bool replaceFileAtomically(const std::filesystem::path &target, std::string_view bytes,
    const std::function<void()> &beforeRename) noexcept
{
    std::string temporary;
    try {
        const std::filesystem::path destination = writeDestination(target);
        temporary = destination.native() + ".XXXXXX";
        FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
        if (!fd.valid()) {
            temporary.clear();
            return false;
        }
        struct stat old { };
        const bool replacesFile = ::stat(destination.c_str(), &old) == 0 && S_ISREG(old.st_mode);
        const mode_t mode = replacesFile ? (old.st_mode & 07777) : modeForNewFile();
        const bool written = ::fchmod(fd.get(), mode) == 0 && writeAll(fd.get(), bytes)
            && ::fsync(fd.get()) == 0 && fd.close();
        if (!written) {
            ::unlink(temporary.c_str());
            return false;
        }
        if (beforeRename)
            beforeRename();
        if (::rename(temporary.c_str(), destination.c_str()) != 0) {
            ::unlink(temporary.c_str());
            return false;
        }
        syncFolderOf(destination);
        return true;
    } catch (...) {
        if (!temporary.empty())
            ::unlink(temporary.c_str());
        return false;
    }
}
