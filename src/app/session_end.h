#ifndef BRENLOWICK_SESSION_END_H
#define BRENLOWICK_SESSION_END_H

#include <QObject>

class QGuiApplication;
class frmMain;

// The desktop session's two steps at a logout. First the session manager asks every program
// to save its data (commitDataRequest): the settings are written, but the program goes on,
// because another program may still refuse and the logout be cancelled. Only when the session
// really ends does the toolkit turn the manager's last message into a Quit event on the
// application; that runs the unload (settings, tray icon) once and ends the program, before
// the toolkit could close the window (which would only hide it into the tray).
class SessionEnd : public QObject
{
    Q_OBJECT
public:
    SessionEnd(QGuiApplication &application, frmMain &window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QGuiApplication &m_application;
    frmMain &m_window;
};

#endif
