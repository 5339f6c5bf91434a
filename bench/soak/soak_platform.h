#ifndef BRENLOWICK_SOAK_PLATFORM_H
#define BRENLOWICK_SOAK_PLATFORM_H

#include "app/platform.h"
#include "platform/clock.h"
#include "platform/desktop_adapters.h"
#include "platform/instance_guard.h"
#include "platform/message_box.h"
#include "platform/process_control.h"
#include "platform/tray_icon.h"

#include <QDateTime>

#include <functional>
#include <random>
#include <vector>

// The message box, recorded instead of shown: a real one is modal and would wait for a user
// who is not there. Like a user reading it, it lets the event loop run a little before it
// returns, so timers tick and songs end while it stands, as they do behind a real box.
class SoakMessageBox : public MessageBoxService {
public:
    struct Shown {
        Icon icon;
        QString text;
    };
    explicit SoakMessageBox(uint64_t seed)
        : m_random(seed)
    {
    }
    void show(Icon icon, const QString &text) override;
    void beep() override { ++beeps; }

    std::vector<Shown> shown;
    int beeps = 0;

private:
    std::mt19937_64 m_random;
};

// A tray that is always there (the offscreen platform has none). Its popup opens without
// blocking: pickItem stands for the user choosing an item while it is open.
class SoakTray : public TrayIconService {
    Q_OBJECT
public:
    int32_t notify(int32_t message, const NotifyIconData &data) override;
    bool isAvailable() const override { return true; }
    void popupAtPointer(QMenu &menu) override;
    void press(int32_t message) { Q_EMIT mouseMessage(message); }

    bool iconShown = false;
    int popups = 0;
    std::function<void(QMenu &)> pickItem;
};

// No lock is taken: the player, or an end-to-end test, may run beside the soak.
class SoakInstanceGuard : public InstanceGuard {
public:
    bool anotherInstanceRunning() override { return false; }
};

// A clock that moves on by a minute and some seconds at each reading, from a start drawn from
// the seed: the random order is seeded from the time, and a run must repeat exactly.
class SoakClock : public Clock {
public:
    explicit SoakClock(uint64_t seed);
    QDateTime localNow() const override;

private:
    QDateTime m_start;
    mutable int m_readings = 0;
};

// The program's folder is the soak's own (its settings file lands there), and the end of the
// program is recorded rather than done.
class SoakProcess : public ProcessControl {
public:
    explicit SoakProcess(std::filesystem::path folder)
        : m_folder(std::move(folder))
    {
    }
    std::filesystem::path programFolder() const override { return m_folder; }
    void endProgram(int exitCode) override { endedWith.push_back(exitCode); }
    std::vector<int> endedWith;

private:
    std::filesystem::path m_folder;
};

// The program's own adapters where they can run here: the MP3 engine on SDL, the screen, the
// throttled event-loop yield and the mount table; the stand-ins above for the rest.
struct SoakPlatform {
    SoakPlatform(const std::filesystem::path &folder, uint64_t seed)
        : messageBox(seed ^ 0x6d657373616765ULL)
        , clock(seed)
        , process(folder)
    {
    }

    SoakMessageBox messageBox;
    DesktopPlatform desktop {messageBox};
    SoakTray tray;
    SoakInstanceGuard instanceGuard;
    SoakClock clock;
    SoakProcess process;
    Platform platform {desktop.player, messageBox, desktop.screen, tray, instanceGuard, clock,
        desktop.eventLoop, process, desktop.drives};
};

// Runs the event loop for this long, deferred deletions included, as the program's own loop
// does between events; 0 runs what is pending.
void runEventLoopFor(int milliseconds);

#endif
