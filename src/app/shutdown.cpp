#include "app/main_window.h"

#include "platform/process_control.h"

#include <QCloseEvent>

namespace {
// Why the window is asked to close: the user's close box, or anything else.
constexpr int16_t UnloadByUser = 0;
constexpr int16_t UnloadByCode = 1;
} // namespace

void frmMain::Form_QueryUnload(int16_t &Cancel, int16_t UnloadMode)
{
    trapped(Heading::General, [&] {
        if (UnloadMode == UnloadByUser) {
            Cancel = 1;
            enterTrayMode();
        }
    });
}

void frmMain::Form_Unload(int16_t &Cancel)
{
    (void)Cancel;
    // Runs once whichever way the program ends, so the settings are written exactly once.
    if (m_unloaded)
        return;
    m_unloaded = true;
    SaveSettings();
    trayDelete();
}

void frmMain::cmdEnd_Click()
{
    int16_t cancel = 1;
    Form_Unload(cancel);
    m_platform.process.endProgram(0);
}

void frmMain::mnuEnd_Click()
{
    cmdEnd_Click();
}

void frmMain::unloadBySystem()
{
    int16_t cancel = 0;
    Form_Unload(cancel);
    m_platform.process.endProgram(0);
}

void frmMain::commitSessionData()
{
    // The file stores the size state one step back, for a start to replay one press; the
    // running window keeps its own state, or its next size press would skip one.
    const int16_t sizeState = FormExpand;
    SaveSettings();
    FormExpand = sizeState;
}

void frmMain::closeEvent(QCloseEvent *event)
{
    int16_t cancel = 0;
    // A close the user asked for through the window manager arrives spontaneously.
    Form_QueryUnload(cancel, event->spontaneous() ? UnloadByUser : UnloadByCode);
    if (cancel != 0) {
        event->ignore();
        return;
    }
    event->accept();
    unloadBySystem();
}
