#include "desktop/mpris_service.h"

#include "desktop/mpris_change_watcher.h"
#include "desktop/mpris_player_adaptor.h"
#include "desktop/mpris_root_adaptor.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>

MprisService::MprisService(frmMain &window, const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    m_watcher = new MprisChangeWatcher(window, this);
    new MprisRootAdaptor(this, window, m_bus);
    new MprisPlayerAdaptor(this, window, *m_watcher);
    if (!m_bus.registerObject(ObjectPath, this, QDBusConnection::ExportAdaptors))
        return;
    // One player holds the plain name; should it be taken, the bus's convention for a second
    // instance keeps this one reachable.
    const QString instanceName = BaseServiceName + QStringLiteral(".instance")
        + QString::number(QCoreApplication::applicationPid());
    for (const QString &name : {BaseServiceName, instanceName}) {
        if (m_bus.registerService(name)) {
            m_serviceName = name;
            break;
        }
    }
    if (!isRegistered()) {
        m_bus.unregisterObject(ObjectPath);
        return;
    }
    connect(m_watcher, &MprisChangeWatcher::propertiesChanged, this, &MprisService::announce);
}

MprisService::~MprisService()
{
    if (!isRegistered())
        return;
    m_bus.unregisterService(m_serviceName);
    m_bus.unregisterObject(ObjectPath);
}

void MprisService::announce(const QVariantMap &changed)
{
    QDBusMessage signal = QDBusMessage::createSignal(ObjectPath,
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    m_bus.send(signal);
}
