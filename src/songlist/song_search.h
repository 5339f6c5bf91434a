#ifndef BRENLOWICK_SONG_SEARCH_H
#define BRENLOWICK_SONG_SEARCH_H

#include <functional>
#include <string>
#include <string_view>

// Whether a plain file's name marks a song: its last three bytes are "mp3", lower case, with
// or without a dot before them.
bool isSongName(std::string_view name);

// Walks a folder tree for songs, without recursion (a tree thousands of folders deep must not
// exhaust the stack). For every folder, each subfolder's whole tree comes first, in listing
// order, then the folder's own songs in listing order. Only plain files and folders take part:
// dot names are hidden, sockets, FIFOs and devices are skipped. Links are followed, but a
// folder already on the way down (same device and inode) is not entered again, so link cycles
// end.
//
// onSong gets the full path (the folder with its trailing "/", then the name) and the name, both
// valid only during the call. yield runs once for every entry listed.
//
// Throws AppError when the starting folder cannot be opened or listed. Below it, a folder that
// cannot be entered or read is skipped silently and everything found elsewhere is kept.
void searchSongs(const std::string &folder,
    const std::function<void(std::string_view path, std::string_view name)> &onSong,
    const std::function<void()> &yield);

#endif
