#include "app/main_window.h"

#include "platform/screen_metrics.h"
#include "window/tray_message.h"

#include <QAction>
#include <QMenu>

void frmMain::Form_MouseMove(int16_t Button, int16_t Shift, float X, float Y)
{
    (void)Button;
    (void)Shift;
    (void)Y;
    trapped(Heading::General, [&] {
        const int32_t message = trayMessageFromX(X, m_platform.screen.twipsPerPixelX());
        if (message == TrayMessage::LeftButtonDown) {
            leaveTrayMode();
        } else if (message == TrayMessage::RightButtonDown) {
            // The popup belongs to tray mode; with the window shown the icon offers nothing.
            if (inTrayMode())
                m_platform.tray.popupAtPointer(*mnuPopup);
        }
        // Releases, double clicks, moves and the middle button mean nothing here.
    });
}

void frmMain::mnuDisplay_Click()
{
    leaveTrayMode();
}
