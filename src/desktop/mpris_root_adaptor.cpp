#include "desktop/mpris_root_adaptor.h"

#include "app/main_window.h"
#include "desktop/after_reply.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>

MprisRootAdaptor::MprisRootAdaptor(QObject *exported, frmMain &window, const QDBusConnection &bus)
    : QDBusAbstractAdaptor(exported)
    , m_window(window)
    , m_bus(bus)
{
}

QString MprisRootAdaptor::identity() const
{
    return QStringLiteral("Brenlowick");
}

QString MprisRootAdaptor::desktopEntry() const
{
    return QStringLiteral("brenlowick");
}

void MprisRootAdaptor::Raise()
{
    // As the tray menu's restore item: out of tray mode, or out of the task bar.
    runAfterReply(this, [this] { m_window.mnuDisplay_Click(); });
}

void MprisRootAdaptor::Quit()
{
    // The end command ends the process at once, so it waits for a round trip to the bus, which
    // keeps one connection's messages in order: by its answer, this call's answer is out and
    // the caller does not see the connection drop. A bus that does not answer within a second
    // does not keep the program from ending.
    runAfterReply(this, [this] {
        const QDBusMessage ping = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
        auto *roundTrip = new QDBusPendingCallWatcher(m_bus.asyncCall(ping, 1000), this);
        connect(roundTrip, &QDBusPendingCallWatcher::finished, this, [this, roundTrip] {
            roundTrip->deleteLater();
            m_window.cmdEnd_Click();
        });
    });
}
