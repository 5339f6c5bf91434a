#ifndef BRENLOWICK_SOAK_ACTIONS_H
#define BRENLOWICK_SOAK_ACTIONS_H

#include <cstdint>
#include <random>

// What a user and the desktop do to the player, one at a time.
enum class ActionKind {
    PressTransport, // one of the five picture buttons
    TrayTransport, // the same command from the tray's popup
    ClickListEntry, // a click on a row of the song list
    SliderClickBeside, // a click beside the thumb: one large step
    SliderDrag, // the thumb dragged somewhere else, the refresh ticking meanwhile
    PressSize, // the window's size button
    ToggleRepeat,
    ToggleLoop,
    ToggleRandom,
    GetFiles,
    CloseBox, // the window manager's close: into the tray
    TrayLeftPress, // a left press on the tray icon: the window comes back
    TrayRestoreItem, // the popup's restore item
    TrayAbout, // the popup's About item
    AboutOk, // the About box closed with its OK button
    AboutCredits, // the credits key typed on OK
    MprisPlayPause, // the desktop's media controls
    MprisNext,
    MprisPrevious,
    MprisStop,
    MprisSeek,
    MprisSetPosition,
    MprisLoopStatus,
    TreeAddSongs, // the folder changes, between searches and while songs play
    TreeDelete,
    TreeCutShort,
    TreeEmpty,
    TreeRemoveFolder,
    TreeRemoveChosen,
    Wait, // time passes: songs play on and end by themselves
    PlayOut, // the song that plays is left to reach its end
    Count
};

const char *actionName(ActionKind kind);

// One action with the numbers it was drawn with: which command, row or target (a fraction of
// the range, so the same draw means the same place whatever the list holds), how long to wait,
// and whether a change to the folder hits the song that plays.
struct Action {
    ActionKind kind = ActionKind::Wait;
    int index = 0; // transport command, loop status or slider direction
    double fraction = 0.0; // where in the list, the song, or the seek range; in [0, 1)
    int milliseconds = 0; // for Wait
    bool onCurrentSong = false;
};

// What the user can reach at this moment: the window's controls only while it is shown, the
// lower ones only at the heights that show them, the popup only in tray mode.
struct Reach {
    bool windowShown = true;
    int formExpand = 1; // 1 compact (display and buttons), 2 with the list, 3 everything
    bool aboutOpen = false;
    bool chosenFolderExists = true;
};

// The seeded sequence: the same seed and the same reach give the same actions.
class ActionGenerator {
public:
    explicit ActionGenerator(uint64_t seed)
        : m_random(seed)
    {
    }
    Action next(const Reach &reach);

private:
    std::mt19937_64 m_random;
};

#endif
