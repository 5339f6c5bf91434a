#ifndef BRENLOWICK_SOAK_DRIVER_H
#define BRENLOWICK_SOAK_DRIVER_H

#include "bench/soak/soak_actions.h"

#include <QPoint>

#include <cstdint>
#include <random>
#include <string>

class frmMain;
class MprisPlayerAdaptor;
class QAction;
class QWidget;
class SoakChecker;
class SoakTray;
class SoakTree;

// Does what an action says to the real window, as a user's mouse and keyboard, the tray, the
// desktop's media controls and the file system would, and tells the checker what it did.
// Every action returns a line for the history that a failure prints.
class SoakDriver {
public:
    SoakDriver(frmMain &window, SoakTray &tray, MprisPlayerAdaptor &mpris, SoakTree &tree,
        SoakChecker &checker, uint64_t seed);

    Reach reach() const;
    std::string perform(const Action &action);
    // Runs the event loop while sampling the position every few milliseconds; returns early
    // when a check fails.
    void waitSampling(int milliseconds);

private:
    // Window and tray (soak_driver.cpp)
    std::string pressTransport(int index);
    std::string trayTransport(int index);
    std::string clickListEntry(double fraction);
    std::string sliderClickBeside(bool forward);
    std::string sliderDrag(double fraction);
    std::string pressSize();
    std::string toggle(ActionKind kind);
    std::string getFiles();
    std::string closeBox();
    std::string trayRestore(bool throughMenu);
    std::string trayAbout();
    std::string aboutOk();
    std::string aboutCredits();
    // Opens the tray's popup with a right press and chooses this item while it stands.
    bool pickFromPopup(QAction *item);

    // The desktop, the folder and time (soak_driver_desktop.cpp)
    std::string mprisCommand(ActionKind kind);
    std::string mprisSeek(double fraction);
    std::string mprisSetPosition(double fraction);
    std::string mprisLoopStatus(int index);
    std::string changeFolder(const Action &action);
    std::string playOut();

    void click(QWidget *widget, QPoint at);
    void click(QWidget *widget);

    frmMain &m_window;
    SoakTray &m_tray;
    MprisPlayerAdaptor &m_mpris;
    SoakTree &m_tree;
    SoakChecker &m_checker;
    std::mt19937_64 m_random;
};

// Whether an action may move the position other than forwards: a seek, a stop, a new song.
bool mayMovePosition(ActionKind kind);

#endif
