#include "platform/qt_tray_icon.h"

#include "app/app_icon.h"
#include "platform/status_notifier_watch.h"
#include "platform/xembed_tray_watch.h"

#include <QAction>
#include <QCursor>
#include <QDBusConnection>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>
#include <QWindow>

namespace {
// Longer than the toolkit's own wait for the focus, with room for a busy machine.
constexpr int FocusSettleLimitMs = 1000;
constexpr int FocusPollMs = 20;
} // namespace

QtTrayIcon::QtTrayIcon(QObject *parent)
    : TrayIconService(parent)
{
}

QtTrayIcon::~QtTrayIcon()
{
    delete m_icon;
}

void QtTrayIcon::watchTrays() const
{
    if (m_xembed)
        return;
    auto *self = const_cast<QtTrayIcon *>(this);
    m_xembed = new XEmbedTrayWatch(self);
    m_statusNotifier = new StatusNotifierWatch(QDBusConnection::sessionBus(), self);
    self->m_available = isAvailable();
    // Queued, so that the toolkit's own tray code has seen the same event first.
    connect(m_xembed, &XEmbedTrayWatch::presenceChanged, self, &QtTrayIcon::traysChanged,
        Qt::QueuedConnection);
    connect(m_statusNotifier, &StatusNotifierWatch::presenceChanged, self,
        &QtTrayIcon::traysChanged, Qt::QueuedConnection);
}

bool QtTrayIcon::isAvailable() const
{
    watchTrays();
    switch (m_way) {
    case Way::Bus:
        return m_statusNotifier->present();
    case Way::XEmbed:
        return m_xembed->present();
    case Way::Undecided:
        break;
    }
    // Before the bus has answered, a host is taken to be there: a window hidden on that guess
    // comes back as soon as the answer says otherwise.
    return m_xembed->present() || m_statusNotifier->present() || !m_statusNotifier->known();
}

void QtTrayIcon::traysChanged()
{
    showIconWhereATrayIs();
    const bool available = isAvailable();
    if (available == m_available)
        return;
    m_available = available;
    // A tray that comes back shows the icon again by itself: the toolkit docks it into an X
    // tray that starts again, and a watcher that comes back is told of it anew.
    Q_EMIT availabilityChanged(available);
}

void QtTrayIcon::showIconWhereATrayIs()
{
    if (!m_wanted)
        return;
    if (!m_icon) {
        const bool onBus = m_statusNotifier->present();
        if (!onBus && !m_xembed->present())
            return;
        // The toolkit looks for a host as it makes the icon, and keeps to what it found.
        m_way = onBus ? Way::Bus : Way::XEmbed;
        m_icon = new QSystemTrayIcon(this);
        connect(m_icon, &QSystemTrayIcon::activated, this, &TrayIconService::activate);
    }
    const NotifyIconData &data = *m_wanted;
    const bool iconGiven = (data.uFlags & TrayMessage::FlagIcon) && !data.hIcon.isNull();
    m_icon->setIcon(iconGiven ? data.hIcon : programIcon());
    QString tip;
    if (data.uFlags & TrayMessage::FlagTip)
        tip = QString::fromLocal8Bit(data.szTip.data(), qstrnlen(data.szTip.data(), 64));
    m_icon->setToolTip(tip);
    m_icon->show();
}

int32_t QtTrayIcon::notify(int32_t message, const NotifyIconData &data)
{
    watchTrays();
    if (message == TrayMessage::Add) {
        m_wanted = data;
        showIconWhereATrayIs();
        return m_icon && isAvailable() ? 1 : 0;
    }
    if (message == TrayMessage::Delete) {
        if (!m_wanted)
            return 0;
        m_wanted.reset();
        if (m_icon)
            m_icon->hide();
        return 1;
    }
    return 0;
}

void QtTrayIcon::popupAtPointer(QMenu &menu)
{
    if (m_popup || menu.isVisible())
        return;
    m_popup = &menu;
    m_popupWait.start();
    QTimer::singleShot(0, this, &QtTrayIcon::openPopupOnceFocusSettled);
}

void QtTrayIcon::openPopupOnceFocusSettled()
{
    // A window hidden a moment ago (the close box sends it to the tray) is still the toolkit's
    // active window until it has seen where the focus went: on X it waits 100 ms for the
    // focus to come back to one of its windows. When it gives up, the application turns
    // inactive, and that closes every open popup, so a popup opened in between vanished at
    // once. The popup waits for that moment from the event loop, so that whatever arrives
    // meanwhile (bus messages, a song's end, another press) runs as it would without it.
    const QWindow *focus = QGuiApplication::focusWindow();
    if (focus && !focus->isVisible() && m_popupWait.elapsed() < FocusSettleLimitMs) {
        QTimer::singleShot(FocusPollMs, this, &QtTrayIcon::openPopupOnceFocusSettled);
        return;
    }
    QMenu *menu = m_popup;
    m_popup = nullptr;
    // A menu withdrawn meanwhile (the window left the tray) is not opened.
    if (menu && menu->menuAction()->isVisible())
        menu->popup(QCursor::pos());
}
