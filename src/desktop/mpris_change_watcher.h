#ifndef BRENLOWICK_MPRIS_CHANGE_WATCHER_H
#define BRENLOWICK_MPRIS_CHANGE_WATCHER_H

#include "desktop/mpris_snapshot.h"

#include <QObject>
#include <QTimer>

class frmMain;

// Notices when what the bus shows of the window has changed. It listens to the events every
// change passes through (a song starts, a command runs, a command's enabled state or a play
// mode box changes, a song ends) and compares a fresh snapshot with the last one announced.
// The comparison waits for the event loop, so a handler that changes several things in steps
// is announced once, in its final state.
class MprisChangeWatcher : public QObject {
    Q_OBJECT
public:
    explicit MprisChangeWatcher(frmMain &window, QObject *parent = nullptr);

    // Compares as soon as the running handler has returned.
    void checkSoon();

Q_SIGNALS:
    // Player properties by their bus names, with their new values.
    void propertiesChanged(const QVariantMap &changed);
    // The position moved other than by playing on (a seek, or a song started over), in
    // microseconds.
    void positionJumped(qint64 position);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void compare();
    qint64 positionNow() const;

    frmMain &m_window;
    MprisSnapshot m_announced;
    QTimer m_pendingCheck;
    bool m_songMayHaveRestarted = false;
};

#endif
