#include "app/main_window.h"

#include <QAction>
#include <QMenu>

void frmMain::enterTrayMode()
{
    hide();
    mnuPopup->menuAction()->setVisible(true);
}

void frmMain::leaveTrayMode()
{
    show();
    mnuPopup->menuAction()->setVisible(false);
}

bool frmMain::inTrayMode() const
{
    return mnuPopup->menuAction()->isVisible();
}
