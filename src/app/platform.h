#ifndef BRENLOWICK_PLATFORM_H
#define BRENLOWICK_PLATFORM_H

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
};

#endif
