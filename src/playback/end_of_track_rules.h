#ifndef BRENLOWICK_END_OF_TRACK_RULES_H
#define BRENLOWICK_END_OF_TRACK_RULES_H

#include <cstdint>

// What follows the end of a song, decided from the repeat and loop values (0 off, anything
// else on; repeat wins over loop).
struct EndOfTrackStep
{
    enum class Kind {
        RestartSame, // the selected song starts again from its beginning
        SelectEntry, // the list entry `entry` is selected, which starts it
        Halt         // nothing more plays
    };
    Kind kind = Kind::Halt;
    int32_t entry = -1;

    bool operator==(const EndOfTrackStep &) const = default;
};

// lastSong is the highest index of the song paths, -1 without songs (then nothing follows).
EndOfTrackStep stepAtEndOfTrack(int32_t repeatValue, int32_t loopValue, int32_t currentSong,
                                int32_t selectedIndex, int32_t lastSong);

// The repeat box compares with 1: only a fully checked repeat takes the loop box away.
bool loopBoxEnabled(int32_t repeatValue);

#endif
