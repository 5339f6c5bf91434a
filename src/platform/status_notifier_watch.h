#ifndef BRENLOWICK_STATUS_NOTIFIER_WATCH_H
#define BRENLOWICK_STATUS_NOTIFIER_WATCH_H

#include <QDBusConnection>
#include <QObject>

// Whether a StatusNotifier tray is there on the session bus: the watcher service that keeps
// the icons, with a host (the panel that shows them) registered at it. The toolkit shows its
// icon this way where a watcher runs (KDE Plasma, GNOME with its AppIndicator extension, most
// panels); the watcher may outlive a crashed panel, so its host is what counts. The bus tells
// of every change, so nothing runs while nothing changes.
class StatusNotifierWatch : public QObject
{
    Q_OBJECT
public:
    // Without a connected bus nothing is ever present.
    explicit StatusNotifierWatch(const QDBusConnection &bus, QObject *parent = nullptr);

    bool present() const { return m_hostRegistered; }
    // The watcher runs, with or without a host: where it does when the first icon is shown,
    // the toolkit shows its icons on the bus for the rest of the run.
    bool watcherRunning() const { return m_watcherRunning; }

Q_SIGNALS:
    void presenceChanged(bool present);

private Q_SLOTS:
    void hostsChanged();

private:
    void askWatcher();

    QDBusConnection m_bus;
    bool m_watcherRunning = false;
    bool m_hostRegistered = false;
};

#endif
