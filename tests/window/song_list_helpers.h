#ifndef BRENLOWICK_SONG_LIST_HELPERS_H
#define BRENLOWICK_SONG_LIST_HELPERS_H

// What the get-files tests read off the window, and the files they make.

#include "app/main_window.h"
#include "songlist/song_list_view.h"

#include <QAction>
#include <QPushButton>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

inline void touch(const std::filesystem::path &file)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file).put('x');
}

inline std::vector<QString> listItems(const frmMain &window)
{
    std::vector<QString> items;
    for (int i = 0; i < window.SongList->ListCount(); ++i)
        items.push_back(window.SongList->List(i));
    return items;
}

inline std::vector<std::string> foundPaths(const frmMain &window)
{
    std::vector<std::string> paths;
    for (size_t i = 0; i < window.FoundPaths.size(); ++i)
        paths.emplace_back(window.FoundPaths[i]);
    return paths;
}

inline bool transportEnabled(const frmMain &window, bool enabled)
{
    for (size_t i = 0; i < 5; ++i) {
        if (window.cmdPlayPanel[i]->isEnabled() != enabled
            || window.mnuPlayControl[i]->isEnabled() != enabled)
            return false;
    }
    return true;
}

#endif
