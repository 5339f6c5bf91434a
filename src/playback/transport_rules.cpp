#include "playback/transport_rules.h"

TransportEnabling enablingForNewList(bool hasSongs)
{
    TransportEnabling enabling;
    enabling.commands.fill(hasSongs);
    return enabling;
}

TransportEnabling enablingForSelection(int32_t loopValue, int32_t selectedIndex,
                                       int32_t entryCount)
{
    const bool loopOn = loopValue != 0;
    TransportEnabling enabling;
    enabling.commands[TransportCommand::Previous] = loopOn || selectedIndex != 0;
    enabling.commands[TransportCommand::Next] = loopOn || selectedIndex != entryCount - 1;
    return enabling;
}

TransportEnabling enablingWhilePlaying()
{
    TransportEnabling enabling;
    enabling.commands[TransportCommand::Pause] = true;
    return enabling;
}

TransportEnabling enablingWhenHalted()
{
    TransportEnabling enabling;
    enabling.commands[TransportCommand::Pause] = false;
    return enabling;
}

TransportEnabling enablingAfterCommand(int16_t index)
{
    switch (index) {
    case TransportCommand::Play: return enablingWhilePlaying();
    case TransportCommand::Stop: return enablingWhenHalted();
    default: return {};
    }
}

ListStep previousSongStep(int32_t loopValue, int32_t currentSong, int32_t selectedIndex,
                          int32_t entryCount)
{
    // An empty list has nothing to move to; the tray's commands are reachable before any list.
    if (entryCount <= 0)
        return {};
    if (currentSong != 0)
        return {false, selectedIndex - 1};
    if (loopValue == 1)
        return {false, entryCount - 1};
    return {};
}

ListStep nextSongStep(int32_t loopValue, int32_t currentSong, int32_t selectedIndex,
                      int32_t lastSong)
{
    if (lastSong < 0)
        return {};
    // The selection can stand on the last song while the current song is 0 (next pressed
    // there with loop off): nothing lies after it, so it counts as the last song too, rather
    // than selecting past the end of the list.
    if (currentSong == lastSong || selectedIndex >= lastSong) {
        // With loop off the song plays on, but the list counts as wrapped: a following
        // previous acts as on the first song.
        if (loopValue == 1)
            return {true, 0};
        return {true, std::nullopt};
    }
    return {false, selectedIndex + 1};
}
