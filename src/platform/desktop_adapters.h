#ifndef BRENLOWICK_DESKTOP_ADAPTERS_H
#define BRENLOWICK_DESKTOP_ADAPTERS_H

#include "app/platform.h"
#include "platform/clock.h"
#include "platform/drive_provider.h"
#include "platform/event_loop.h"
#include "platform/instance_guard.h"
#include "platform/message_box.h"
#include "engine/mp3_engine.h"
#include "platform/process_control.h"
#include "platform/qt_tray_icon.h"
#include "platform/screen_metrics.h"
#include "platform/toolkit_window_placement.h"

#include <QElapsedTimer>
#include <QLockFile>

#include <memory>

// The real stand-ins for the machine, used by the program itself.

class QtMessageBox : public MessageBoxService
{
public:
    void show(Icon icon, const QString &text) override;
    void beep() override;
};

class PrimaryScreenMetrics : public ScreenMetrics
{
public:
    double widthTwips() const override;
    double heightTwips() const override;
    double twipsPerPixelX() const override;
    double twipsPerPixelY() const override;
};

// A lock file in the user's runtime folder; a lock left by a killed instance is taken over.
class LockFileInstanceGuard : public InstanceGuard
{
public:
    bool anotherInstanceRunning() override;

private:
    std::unique_ptr<QLockFile> m_lock;
};

class SystemClock : public Clock
{
public:
    QDateTime localNow() const override;
};

class ThrottledEventLoopYield : public EventLoopYield
{
public:
    ThrottledEventLoopYield();
    void yield() override;

private:
    QElapsedTimer m_sinceLast;
};

class RealProcessControl : public ProcessControl
{
public:
    std::filesystem::path programFolder() const override;
    void endProgram(int exitCode) override;
};

// Mounted file systems that hold files, read from /proc/self/mounts.
class MountTableDriveProvider : public DriveProvider
{
public:
    std::vector<std::filesystem::path> mountPoints() const override;
};

// Every real adapter but the message box, which the caller chooses (the program shows its
// boxes, a benchmark counts them), and the Platform that hands them to a window.
struct DesktopPlatform
{
    explicit DesktopPlatform(MessageBoxService &messageBox)
        : platform{player, messageBox, screen, tray, instanceGuard, clock, eventLoop, process,
                   drives, placement}
    {
    }

    PrimaryScreenMetrics screen;
    LockFileInstanceGuard instanceGuard;
    SystemClock clock;
    ThrottledEventLoopYield eventLoop;
    RealProcessControl process;
    MountTableDriveProvider drives;
    ToolkitWindowPlacement placement;
    QtTrayIcon tray;
    Mp3Engine player;
    Platform platform;
};

#endif
