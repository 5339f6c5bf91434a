#ifndef BRENLOWICK_MPRIS_SERVICE_H
#define BRENLOWICK_MPRIS_SERVICE_H

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QVariantMap>

class frmMain;
class MprisChangeWatcher;

// The player on the desktop's media-player bus (MPRIS 2), so media keys and the desktop's
// player widgets reach the window. Without a session bus, or when the name cannot be had, the
// player goes on without it and says nothing. It is the object exported on the bus; the
// adaptors answer for it, and find the call they answer through its bus context.
class MprisService : public QObject, public QDBusContext {
    Q_OBJECT
public:
    static inline const QString BaseServiceName
        = QStringLiteral("org.mpris.MediaPlayer2.brenlowick");
    static inline const QString ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");

    explicit MprisService(frmMain &window,
        const QDBusConnection &bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);
    ~MprisService() override;

    bool isRegistered() const { return !m_serviceName.isEmpty(); }
    // The name taken on the bus; empty when not registered.
    QString serviceName() const { return m_serviceName; }

private:
    void announce(const QVariantMap &changed);

    QDBusConnection m_bus;
    MprisChangeWatcher *m_watcher = nullptr;
    QString m_serviceName;
};

#endif
