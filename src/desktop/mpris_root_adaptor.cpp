#include "desktop/mpris_root_adaptor.h"

#include "app/main_window.h"

#include <QDBusMessage>
#include <QTimer>

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
    m_window.mnuDisplay_Click();
}

void MprisRootAdaptor::Quit()
{
    // The end command ends the process at once. It runs after this call has returned, and
    // only once a round trip to the bus has carried the reply out, so the caller is answered
    // instead of seeing the connection drop.
    QTimer::singleShot(0, this, [this] {
        const QDBusMessage ping = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
        m_bus.call(ping, QDBus::Block, 1000);
        m_window.cmdEnd_Click();
    });
}
