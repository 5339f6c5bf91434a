#include "platform/qt_tray_icon.h"

#include "app/app_icon.h"
#include "platform/status_notifier_watch.h"
#include "platform/xembed_tray_watch.h"

#include <QCursor>
#include <QDBusConnection>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>
#include <QWindow>

namespace {
// Longer than the toolkit's own wait for the focus, with room for a busy machine.
constexpr int FocusSettleLimitMs = 1000;
} // namespace

QtTrayIcon::QtTrayIcon(QObject *parent) : TrayIconService(parent) {}

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
    // The toolkit takes one way for the whole run, chosen as its first icon is made: the bus
    // where a watcher runs then, else the X tray. Only that way's tray can show the icon.
    m_onBus = m_statusNotifier->watcherRunning();
    m_available = trayPresent();
    // Queued, so that the toolkit's own tray code has seen the same event first.
    connect(m_xembed, &XEmbedTrayWatch::presenceChanged, self, &QtTrayIcon::traysChanged,
            Qt::QueuedConnection);
    connect(m_statusNotifier, &StatusNotifierWatch::presenceChanged, self,
            &QtTrayIcon::traysChanged, Qt::QueuedConnection);
}

bool QtTrayIcon::trayPresent() const
{
    return m_onBus ? m_statusNotifier->present() : m_xembed->present();
}

void QtTrayIcon::traysChanged()
{
    const bool available = trayPresent();
    if (available == m_available)
        return;
    m_available = available;
    // The icon itself needs nothing: the toolkit docks it into an X tray that starts (again)
    // and registers it anew with a StatusNotifier watcher that comes back.
    Q_EMIT availabilityChanged(available);
}

void QtTrayIcon::add(const NotifyIconData &data)
{
    if (!m_icon) {
        m_icon = new QSystemTrayIcon(this);
        connect(m_icon, &QSystemTrayIcon::activated, this, &TrayIconService::activate);
    }
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
        add(data);
        return m_available ? 1 : 0;
    }
    if (message == TrayMessage::Delete) {
        if (!m_icon || !m_icon->isVisible())
            return 0;
        m_icon->hide();
        return 1;
    }
    return 0;
}

bool QtTrayIcon::isAvailable() const
{
    watchTrays();
    return m_available;
}

void QtTrayIcon::popupAtPointer(QMenu &menu)
{
    waitForFocusToSettle();
    menu.exec(QCursor::pos());
}

void QtTrayIcon::waitForFocusToSettle()
{
    // A window hidden a moment ago (the close box sends it to the tray) is still the toolkit's
    // active window until it has seen where the focus went: on X it waits 100 ms for the
    // focus to come back to one of its windows. When it gives up, the application turns
    // inactive, and that closes every open popup, so a right press in between opened a popup
    // that vanished at once. The press waits for that moment first (user input stays queued).
    QWindow *focus = QGuiApplication::focusWindow();
    if (!focus || focus->isVisible())
        return;
    QEventLoop settled;
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, &settled, &QEventLoop::quit);
    QTimer::singleShot(FocusSettleLimitMs, &settled, &QEventLoop::quit);
    settled.exec(QEventLoop::ExcludeUserInputEvents);
}
