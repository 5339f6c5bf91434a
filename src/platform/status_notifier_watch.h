#ifndef BRENLOWICK_STATUS_NOTIFIER_WATCH_H
#define BRENLOWICK_STATUS_NOTIFIER_WATCH_H

#include <QDBusConnection>
#include <QObject>

class QDBusPendingCallWatcher;

// Whether a StatusNotifier tray is there on the session bus: the watcher service that keeps
// the icons, with a host (the panel that shows them) registered at it. The toolkit shows its
// icon this way where a host is registered when the icon is made (KDE Plasma, GNOME with its
// AppIndicator extension, most panels); the watcher may outlive a crashed panel, so its host is
// what counts. The bus tells of every change, so nothing runs while nothing changes.
//
// The watcher is asked without waiting for it and without starting it: a hung watcher freezes
// nothing, and one that is gone stays gone. Until its first answer the presence is not known.
class StatusNotifierWatch : public QObject {
    Q_OBJECT
public:
    // Without a connected bus nothing is ever present, and that is known at once.
    explicit StatusNotifierWatch(const QDBusConnection &bus, QObject *parent = nullptr);

    bool present() const { return m_hostRegistered; }
    bool known() const { return m_known; }

Q_SIGNALS:
    // The presence, or whether it is known, changed.
    void presenceChanged(bool present);

private Q_SLOTS:
    void hostsChanged();
    void watcherOwnerChanged(
        const QString &service, const QString &oldOwner, const QString &newOwner);

private:
    void askWatcher();
    void answered(QDBusPendingCallWatcher *call, quint64 question);
    void setPresence(bool known, bool hostRegistered);

    QDBusConnection m_bus;
    quint64 m_lastQuestion = 0;
    bool m_known = false;
    bool m_hostRegistered = false;
};

#endif
