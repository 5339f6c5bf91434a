#ifndef BRENLOWICK_SOAK_TREE_H
#define BRENLOWICK_SOAK_TREE_H

#include <QString>

#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

// The music folder the soak plays from, and what has been done to each song in it. It changes
// as a user's folder does: songs are added, deleted, cut short or emptied (also the one that
// plays), a subfolder goes with its songs, and the chosen folder itself can vanish. Songs are
// short (half a second to thirteen seconds of audio, at 44.1 and 48 kHz), so they end often,
// and each carries a title and an artist of its own in an ID3v2 tag at its front, where a cut
// leaves it.
class SoakTree {
public:
    static constexpr size_t MaxSongs = 60;

    // A song that is deleted, or whose folder is removed, is forgotten: an unknown path is a
    // song that is gone.
    enum class State {
        Intact,
        CutShort, // still plays, shorter than it was
        Emptied // no bytes left: cannot be opened
    };
    struct Song {
        QString title;
        QString artist;
        bool utf8Name = true; // false: a name that is not valid UTF-8
        State state = State::Intact;
    };

    // Builds the first songs below root/music. Returns false with a message on stderr when
    // the seeds cannot be read or the folder cannot be written.
    bool create(const std::filesystem::path &root, std::mt19937_64 &random);

    // The folder the window searches.
    std::filesystem::path chosenFolder() const { return m_chosen; }
    bool chosenFolderExists() const;

    // Each change returns what it did, for the action history; an empty text when there was
    // nothing to change. The folder holds at most MaxSongs songs: adding stops there.
    std::string addSongs(std::mt19937_64 &random);
    std::string deleteSong(const std::string &path);
    std::string cutShort(const std::string &path, std::mt19937_64 &random);
    std::string empty(const std::string &path);
    std::string removeSubfolder(std::mt19937_64 &random);
    // The chosen folder and everything in it; addSongs makes it again.
    std::string removeChosenFolder();

    // A song the soak made, or null for a path it does not know.
    const Song *song(const std::string &path) const;
    // Whether opening it now can succeed.
    bool playable(const std::string &path) const;
    // The songs a search would find now.
    std::vector<std::string> presentSongs() const;
    // A song present, picked at random; empty when there is none.
    std::string anyPresentSong(std::mt19937_64 &random) const;

private:
    bool writeSong(const std::filesystem::path &path, const Song &song, std::mt19937_64 &random);
    std::filesystem::path newFolder(std::mt19937_64 &random);

    std::filesystem::path m_chosen;
    // The audio frames of each seed, without its Info header: the engine scans for the length.
    std::vector<unsigned char> m_seed44;
    std::vector<unsigned char> m_seed48;
    std::map<std::string, Song> m_songs;
    std::vector<std::filesystem::path> m_folders;
    int m_nextSong = 1;
    int m_nextFolder = 1;
};

#endif
