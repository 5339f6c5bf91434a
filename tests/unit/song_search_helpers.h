#ifndef BRENLOWICK_SONG_SEARCH_HELPERS_H
#define BRENLOWICK_SONG_SEARCH_HELPERS_H

// What the song search tests share: a search that records what it found and cannot hang, the
// order the walk must give, and scratch folders.

#include "songlist/song_search.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct Found {
    std::vector<std::string> paths;
    std::vector<std::string> names;
    int yields = 0;
    size_t folders = 0;
    // The walk listed more entries than the test allows: it would not have ended.
    bool overran = false;
};

// A walk that lists more than maxYields entries is stopped and marked as overrun, so a search
// that would never end fails the test instead of hanging it.
inline Found search(
    const std::string &folder, const std::function<void()> &onYield = {}, int maxYields = 1000000)
{
    Found found;
    found.folders = searchSongs(
        folder,
        [&](std::string_view path, std::string_view name) {
            found.paths.emplace_back(path);
            found.names.emplace_back(name);
        },
        [&] {
            if (++found.yields > maxYields) {
                found.overran = true;
                return false;
            }
            if (onYield)
                onYield();
            return true;
        });
    return found;
}

inline void touch(const std::filesystem::path &file)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file).put('x');
}

// A folder's entry names in the order the file system lists them.
inline std::vector<std::string> listing(const std::string &folder)
{
    std::vector<std::string> names;
    if (DIR *entries = ::opendir(folder.c_str())) {
        while (const dirent *entry = ::readdir(entries))
            names.emplace_back(entry->d_name);
        ::closedir(entries);
    }
    return names;
}

// The walk written the plain recursive way, as the order's definition for trees without links:
// each subfolder's tree in listing order, then the folder's own songs in listing order.
inline void referenceWalk(const std::string &folder, std::vector<std::string> &out)
{
    const std::string prefix = folder.back() == '/' ? folder : folder + "/";
    const std::vector<std::string> entries = listing(prefix);
    auto kind = [&](const std::string &name) {
        struct stat info { };
        return ::stat((prefix + name).c_str(), &info) == 0 ? info.st_mode : mode_t {0};
    };
    for (const std::string &name : entries) {
        if (!name.starts_with('.') && S_ISDIR(kind(name)))
            referenceWalk(prefix + name, out);
    }
    for (const std::string &name : entries) {
        if (!name.starts_with('.') && S_ISREG(kind(name)) && isSongName(name))
            out.push_back(prefix + name);
    }
}

inline qsizetype indexOf(const std::vector<std::string> &paths, const std::string &path)
{
    const auto at = std::find(paths.begin(), paths.end(), path);
    return at == paths.end() ? -1 : at - paths.begin();
}

// A scratch folder for one test. Memory-backed where there is such a folder: the deep chain
// makes ten thousand folders, which a busy disk turns from milliseconds into half a minute.
// Removed byte-safely: the toolkit's own removal skips names that are not UTF-8.
class ScratchTree {
public:
    ScratchTree()
        : m_dir(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                ? std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/song-search-XXXXXX"))
                : std::make_unique<QTemporaryDir>())
        , root(m_dir->path().toStdString())
    {
    }
    ~ScratchTree()
    {
        std::error_code error;
        std::filesystem::remove_all(root, error);
    }
    bool isValid() const { return m_dir->isValid(); }

private:
    std::unique_ptr<QTemporaryDir> m_dir;

public:
    const std::string root;
};

#endif
