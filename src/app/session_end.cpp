#include "app/session_end.h"

#include "app/main_window.h"

#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>

SessionEnd::SessionEnd(QGuiApplication &application, frmMain &window)
    : m_application(application), m_window(window)
{
    connect(&application, &QGuiApplication::commitDataRequest, &window,
            [&window](QSessionManager &) { window.commitSessionData(); });
    application.installEventFilter(this);
}

bool SessionEnd::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != &m_application || event->type() != QEvent::Quit)
        return QObject::eventFilter(watched, event);
    // Nothing in the program asks to quit: a Quit is the session ending (or another part of
    // the system asking the same), so it ends as a system unload does.
    m_window.unloadBySystem();
    return true;
}
