#ifndef BRENLOWICK_TRANSPORT_RULES_H
#define BRENLOWICK_TRANSPORT_RULES_H

#include <array>
#include <cstdint>
#include <optional>

// The index shared by the transport buttons and the tray menu's transport commands.
namespace TransportCommand {
constexpr int16_t Play = 0;
constexpr int16_t Pause = 1;
constexpr int16_t Stop = 2;
constexpr int16_t Previous = 3;
constexpr int16_t Next = 4;
constexpr int16_t Count = 5;
} // namespace TransportCommand

// What a moment of playback does to the five commands: on, off, or left as it is (nullopt).
// The button and the menu command of one index always follow the same entry.
struct TransportEnabling
{
    std::array<std::optional<bool>, TransportCommand::Count> commands{};

    bool operator==(const TransportEnabling &) const = default;
};

// A list was built: everything on when it has songs, everything off when it has none.
TransportEnabling enablingForNewList(bool hasSongs);

// A song is selected: previous and next by the loop value (0 off, anything else on) and by
// where the selection stands; play, pause and stop are left alone.
TransportEnabling enablingForSelection(int32_t loopValue, int32_t selectedIndex,
                                       int32_t entryCount);

// Something is playing (a song started, play pressed): pause becomes available.
TransportEnabling enablingWhilePlaying();

// Playback halted for good (stop pressed, or a song ended with nothing to follow it).
TransportEnabling enablingWhenHalted();

// What pressing a transport command changes by itself; a selection it causes brings its own.
TransportEnabling enablingAfterCommand(int16_t index);

// Where previous or next moves the list. resetCurrentSong: the current index goes back to 0
// (next on the last song); select: the list entry to select, which starts that song.
struct ListStep
{
    bool resetCurrentSong = false;
    std::optional<int32_t> select;

    bool operator==(const ListStep &) const = default;
};

// Both count loop as on only when its value is exactly 1. lastSong is the highest index of the
// song paths (-1 without songs). Without songs neither moves anything.
ListStep previousSongStep(int32_t loopValue, int32_t currentSong, int32_t selectedIndex,
                          int32_t entryCount);
ListStep nextSongStep(int32_t loopValue, int32_t currentSong, int32_t selectedIndex,
                      int32_t lastSong);

#endif
