#include "app/main_window.h"

#include "about/about_box.h"
#include "platform/screen_metrics.h"

#include <QPushButton>

frmAbout *frmMain::about() const
{
    return m_about.data();
}

void frmMain::mnuAbout_Click()
{
    if (!m_about) {
        m_about = new frmAbout(m_platform);
        m_about->Form_Load();
        // Not a child of the main window (it has no owner), so it goes with the window here.
        frmAbout *box = m_about;
        connect(this, &QObject::destroyed, box, [box] { delete box; });
    }
    // Where the main window's corner would be if it were centred, whether it is shown or not.
    const double top = m_platform.screen.heightTwips() / 2.0 - windowOuterHeight() / 2.0;
    const double left = m_platform.screen.widthTwips() / 2.0 - windowOuterWidth() / 2.0;
    m_about->setTopLeft(left, top);
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
    m_about->cmdOK->setFocus();
}
