#include "playback/end_of_track_rules.h"

EndOfTrackStep stepAtEndOfTrack(int32_t repeatValue, int32_t loopValue, int32_t currentSong,
                                int32_t selectedIndex, int32_t lastSong)
{
    using Kind = EndOfTrackStep::Kind;
    // An end of stream with no list behind it is stale (the list was rebuilt empty meanwhile).
    if (lastSong < 0)
        return {Kind::Halt};
    if (repeatValue != 0)
        return {Kind::RestartSame};
    // After next wrapped with loop off, the last song plays while the current song is 0: its
    // end wraps as the last song's does, instead of selecting past the end of the list.
    if (loopValue != 0)
        return {Kind::SelectEntry,
                currentSong == lastSong || selectedIndex >= lastSong ? 0 : selectedIndex + 1};
    return {Kind::Halt};
}

bool loopBoxEnabled(int32_t repeatValue)
{
    return repeatValue != 1;
}
