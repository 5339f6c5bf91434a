#ifndef BRENLOWICK_MPRIS_BUS_CLIENT_H
#define BRENLOWICK_MPRIS_BUS_CLIENT_H

#include "desktop/mpris_service.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QList>
#include <QObject>
#include <QVariantMap>

inline const QString RootInterface = QStringLiteral("org.mpris.MediaPlayer2");
inline const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

// A desktop widget's view of the player: its own connection to the session bus, so every call
// really travels through the bus daemon and back. Calls wait with the event loop running,
// because the player answers on this same thread.
class MprisBusClient : public QObject {
    Q_OBJECT
public:
    explicit MprisBusClient(const QString &service = MprisService::BaseServiceName)
        : m_bus(QDBusConnection::connectToBus(
            QDBusConnection::SessionBus, QStringLiteral("mpris-test-client")))
        , m_service(service)
    {
        const QString path = MprisService::ObjectPath;
        m_bus.connect(m_service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("PropertiesChanged"), this,
            SLOT(onPropertiesChanged(QString, QVariantMap, QStringList)));
        m_bus.connect(m_service, path, PlayerInterface, QStringLiteral("Seeked"), this,
            SLOT(onSeeked(qlonglong)));
    }
    ~MprisBusClient() override
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("mpris-test-client"));
    }

    QDBusMessage call(
        const QString &interface, const QString &method, const QVariantList &arguments = {})
    {
        return m_bus.call(callMessage(interface, method, arguments), QDBus::BlockWithGui);
    }
    // Sent without waiting, as a media-key daemon sends: the answer, or a NoReply error once
    // timeoutMs have passed, comes back through the event loop.
    QDBusPendingCall send(const QString &interface, const QString &method,
        const QVariantList &arguments = {}, int timeoutMs = -1)
    {
        return m_bus.asyncCall(callMessage(interface, method, arguments), timeoutMs);
    }
    QDBusMessage player(const QString &method, const QVariantList &arguments = {})
    {
        return call(PlayerInterface, method, arguments);
    }

    // A property as the bus delivers it; maps and lists are unpacked from their wire form.
    QVariant property(const QString &interface, const QString &name)
    {
        const QDBusMessage reply = call(QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"), {interface, name});
        if (reply.type() != QDBusMessage::ReplyMessage)
            return {};
        return unpack(reply.arguments().value(0).value<QDBusVariant>().variant());
    }
    QVariant playerProperty(const QString &name) { return property(PlayerInterface, name); }
    QVariantMap metadata() { return playerProperty(QStringLiteral("Metadata")).toMap(); }

    QDBusMessage setPlayerProperty(const QString &name, const QVariant &value)
    {
        return call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
            {PlayerInterface, name, QVariant::fromValue(QDBusVariant(value))});
    }

    // Lets every signal the player sent before now arrive.
    void roundTrip()
    {
        playerProperty(QStringLiteral("CanControl"));
        QCoreApplication::processEvents();
    }

    // Every PropertiesChanged of the player interface, and every Seeked, since the last clear.
    QList<QVariantMap> changes;
    QList<qlonglong> seeks;
    // The last announced value of a property, or an invalid variant if none was announced.
    QVariant lastChange(const QString &name) const
    {
        for (auto it = changes.crbegin(); it != changes.crend(); ++it) {
            if (it->contains(name))
                return it->value(name);
        }
        return {};
    }

    static QVariant unpack(const QVariant &value)
    {
        if (value.userType() != qMetaTypeId<QDBusArgument>())
            return value;
        const auto argument = value.value<QDBusArgument>();
        if (argument.currentType() == QDBusArgument::MapType)
            return qdbus_cast<QVariantMap>(argument);
        return value;
    }

private Q_SLOTS:
    void onPropertiesChanged(
        const QString &interface, const QVariantMap &changed, const QStringList &)
    {
        if (interface != PlayerInterface)
            return;
        QVariantMap unpacked;
        for (auto it = changed.cbegin(); it != changed.cend(); ++it)
            unpacked.insert(it.key(), unpack(it.value()));
        changes << unpacked;
    }
    void onSeeked(qlonglong position) { seeks << position; }

private:
    QDBusMessage callMessage(
        const QString &interface, const QString &method, const QVariantList &arguments) const
    {
        QDBusMessage message = QDBusMessage::createMethodCall(
            m_service, MprisService::ObjectPath, interface, method);
        message.setArguments(arguments);
        return message;
    }

    QDBusConnection m_bus;
    QString m_service;
};

#endif
