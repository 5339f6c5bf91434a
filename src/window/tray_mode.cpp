#include "app/main_window.h"

#include <QAction>
#include <QMenu>

void frmMain::enterTrayMode()
{
    if (!m_platform.tray.isAvailable()) {
        // With no notification area a hidden window could never be brought back, and every
        // further start would be refused as a second instance: minimise it instead. The popup
        // stays unmarked, because the window is still reachable through the task bar.
        showMinimized();
        return;
    }
    hide();
    mnuPopup->menuAction()->setVisible(true);
}

void frmMain::leaveTrayMode()
{
    // A window the user minimised comes back too: a press on the icon means "show me".
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    mnuPopup->menuAction()->setVisible(false);
}

bool frmMain::inTrayMode() const
{
    return mnuPopup->menuAction()->isVisible();
}

void frmMain::trayAvailabilityChanged(bool available)
{
    // A panel that crashes or restarts takes the icon with it, and a window hidden in the tray
    // would be stranded: it comes back as where there is no tray, minimised to the task bar.
    // When a tray comes back the icon returns by itself; the window stays where the user has it.
    if (available || !inTrayMode())
        return;
    mnuPopup->menuAction()->setVisible(false);
    showMinimized();
}
