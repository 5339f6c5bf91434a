#ifndef BRENLOWICK_FAKE_PLATFORM_H
#define BRENLOWICK_FAKE_PLATFORM_H

#include "app/platform.h"
#include "platform/clock.h"
#include "platform/drive_provider.h"
#include "platform/event_loop.h"
#include "platform/instance_guard.h"
#include "platform/message_box.h"
#include "platform/process_control.h"
#include "platform/screen_metrics.h"
#include "platform/tray_icon.h"
#include "platform/window_placement.h"
#include "playback/player.h"

#include <QStringList>

class QEventLoop;

#include <functional>
#include <map>
#include <optional>
#include <vector>

// A media player that plays nothing: it records every call and can be told to fail.
class FakeMediaPlayer : public MediaPlayer
{
    Q_OBJECT
public:
    struct Clip
    {
        double duration = 200.0;
        QString title;
        QString author;
    };

    void setFileName(const std::filesystem::path &path) override;
    void Play() override;
    void Pause() override;
    void Stop() override;
    double CurrentPosition() const override;
    void setCurrentPosition(double seconds) override;
    double Duration() const override;
    QString GetMediaInfoString(int32_t infoType) const override;

    // Calls as "FileName:<path>", "Play", "Pause", "Stop", "SetPosition:<s>".
    QStringList calls;
    // Clips by file name (the path's last part); unknown files get a default clip.
    std::map<std::string, Clip> clips;
    // The next call of this name throws this error number (E_FAIL_CODE for no device).
    std::map<QString, int32_t> failNext;
    // Files whose FileName write fails, with the error number.
    std::map<std::string, int32_t> badFiles;
    double position = 0.0;
    bool playing = false;
    std::filesystem::path fileName;

    void finishSong() { Q_EMIT EndOfStream(0); }

private:
    void maybeFail(const QString &call);
    Clip m_clip;
};

class RecordingMessageBox : public MessageBoxService
{
public:
    struct Shown
    {
        Icon icon;
        QString text;
    };
    void show(Icon icon, const QString &text) override;
    void beep() override { ++beeps; }

    std::vector<Shown> shown;
    int beeps = 0;
    // Runs while a box is "open", before show returns.
    std::function<void(const QString &)> onShow;

    // As the real box: show waits in a nested event loop, which serves timers, window events
    // and the bus, until the box is dismissed (from onShow too, or from any event meanwhile).
    bool modal = false;
    // Closes the innermost open box, as its OK button does.
    void dismiss();
    bool isOpen() const { return !m_open.empty(); }

private:
    struct OpenBox
    {
        bool dismissed = false;
        QEventLoop *loop = nullptr;
    };
    std::vector<OpenBox *> m_open;
};

// A screen of any density: 15 twips per pixel at 96 dots per inch, fractional at most others
// (1440 / 84 is 17.142857...), as the real screen reports them.
class FixedScreen : public ScreenMetrics
{
public:
    double widthTwips() const override { return widthPixels * twipsPerPixelX(); }
    double heightTwips() const override { return heightPixels * twipsPerPixelY(); }
    double twipsPerPixelX() const override { return 1440.0 / dotsPerInch; }
    double twipsPerPixelY() const override { return 1440.0 / dotsPerInch; }
    int widthPixels = 1024;
    int heightPixels = 768;
    double dotsPerInch = 96.0;
};

class RecordingTray : public TrayIconService
{
    Q_OBJECT
public:
    int32_t notify(int32_t message, const NotifyIconData &data) override;
    bool isAvailable() const override { return available; }
    void popupAtPointer(QMenu &menu) override;

    void press(int32_t message) { Q_EMIT mouseMessage(message); }
    // The panel crashes (false) or starts again (true).
    void setAvailable(bool now)
    {
        available = now;
        Q_EMIT availabilityChanged(now);
    }

    std::vector<int32_t> messages;
    std::optional<NotifyIconData> lastData;
    bool available = true;
    bool iconShown = false;
    int popups = 0;
    std::function<void(QMenu &)> onPopup;
    // Runs on every add or delete, before the result is returned.
    std::function<void(int32_t)> onNotify;
};

class FakeInstanceGuard : public InstanceGuard
{
public:
    bool anotherInstanceRunning() override { return anotherRunning; }
    bool anotherRunning = false;
};

class FakeClock : public Clock
{
public:
    QDateTime localNow() const override { return now; }
    QDateTime now = QDateTime(QDate(2026, 12, 7), QTime(10, 20, 30));
};

// Counts yields; processes pending events only when asked to, so tests stay deterministic.
class FakeEventLoop : public EventLoopYield
{
public:
    void yield() override;
    int yields = 0;
    bool processEvents = false;
    std::function<void()> onYield;
};

class FakeProcess : public ProcessControl
{
public:
    std::filesystem::path programFolder() const override;
    void endProgram(int exitCode) override { endedWith.push_back(exitCode); }
    std::filesystem::path folder = "/opt/brenlowick";
    std::vector<int> endedWith;
    // When set, asking for the program's folder fails with this error number.
    std::optional<int32_t> folderError;
};

class FakeDrives : public DriveProvider
{
public:
    std::vector<std::filesystem::path> mountPoints() const override { return mounts; }
    std::vector<std::filesystem::path> mounts = {"/"};
};

// A windowing system that can be told to keep the window's position to itself, as Wayland does.
class FakeWindowPlacement : public WindowPlacement
{
public:
    bool positionKnown() const override { return known; }
    bool known = true;
};

// Every fake, and the Platform that hands them to a window.
struct FakePlatform
{
    FakeMediaPlayer player;
    RecordingMessageBox messageBox;
    FixedScreen screen;
    RecordingTray tray;
    FakeInstanceGuard instanceGuard;
    FakeClock clock;
    FakeEventLoop eventLoop;
    FakeProcess process;
    FakeDrives drives;
    FakeWindowPlacement placement;
    Platform platform{player,    messageBox, screen,  tray,   instanceGuard,
                      clock,     eventLoop,  process, drives, placement};
};

#endif
