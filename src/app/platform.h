#ifndef BRENLOWICK_PLATFORM_H
#define BRENLOWICK_PLATFORM_H

#include "platform/window_placement.h"

class MediaPlayer;
class MessageBoxService;
class ScreenMetrics;
class TrayIconService;
class InstanceGuard;
class Clock;
class EventLoopYield;
class ProcessControl;
class DriveProvider;

// Everything the window needs from the machine. main() hands it the real adapters, the tests
// hand it fakes; the window owns none of them.
struct Platform
{
    MediaPlayer &player;
    MessageBoxService &messageBox;
    ScreenMetrics &screen;
    TrayIconService &tray;
    InstanceGuard &instanceGuard;
    Clock &clock;
    EventLoopYield &eventLoop;
    ProcessControl &process;
    DriveProvider &drives;
    // Left out, the window is taken to stand where it is put, as on X11.
    WindowPlacement &placement = PositionTellingPlacement::instance();
};

#endif
