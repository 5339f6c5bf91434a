#ifndef BRENLOWICK_SONG_SEARCH_H
#define BRENLOWICK_SONG_SEARCH_H

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// Whether a plain file's name marks a song: its last three bytes are "mp3", lower case, with
// or without a dot before them.
bool isSongName(std::string_view name);

// Walks a folder tree for songs, without recursion (a tree thousands of folders deep must not
// exhaust the stack). For every folder, each subfolder's whole tree comes first, in listing
// order, then the folder's own songs in listing order. Only plain files and folders take part:
// dot names are hidden, sockets, FIFOs and devices are skipped, and so are the folders of the
// kernel's pseudo file systems (/proc, /sys, /dev and the like). Links are followed, but a folder
// (same device and inode) is walked at most once, by the first way to it in walk order, so the
// walk ends in time proportional to the real folders, whatever the links.
//
// onSong gets the full path (the folder with its trailing "/", then the name) and the name, both
// valid only during the call. yield runs once for every entry listed; when it returns false the
// walk stops there, and the songs of the folders listed so far still come, in the order the walk
// would have given them had the rest of the tree been empty.
//
// Returns the number of folders listed. A starting folder on a pseudo file system is a system
// folder: nothing is walked and nothing found. Throws AppError when the starting folder cannot
// be opened or listed. Below it, a folder that cannot be entered or read is skipped silently and
// everything found elsewhere is kept.
size_t searchSongs(const std::string &folder,
    const std::function<void(std::string_view path, std::string_view name)> &onSong,
    const std::function<bool()> &yield);

#endif
