#include "platform/qt_tray_icon.h"

#include "app/app_icon.h"

#include <QCursor>
#include <QMenu>

QtTrayIcon::QtTrayIcon(QObject *parent) : TrayIconService(parent) {}

QtTrayIcon::~QtTrayIcon()
{
    delete m_icon;
}

int32_t QtTrayIcon::messageForActivation(QSystemTrayIcon::ActivationReason reason)
{
    // Qt reports the press of a single click as Trigger and the second press of a double
    // click as DoubleClick, which is how the classic button-down messages fall too.
    switch (reason) {
    case QSystemTrayIcon::Trigger: return TrayMessage::LeftButtonDown;
    case QSystemTrayIcon::Context: return TrayMessage::RightButtonDown;
    case QSystemTrayIcon::DoubleClick: return TrayMessage::LeftButtonDoubleClick;
    case QSystemTrayIcon::MiddleClick: return TrayMessage::MiddleButtonDown;
    case QSystemTrayIcon::Unknown: break;
    }
    return 0;
}

void QtTrayIcon::add(const NotifyIconData &data)
{
    if (!m_icon) {
        m_icon = new QSystemTrayIcon(this);
        connect(m_icon, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (const int32_t message = messageForActivation(reason))
                        Q_EMIT mouseMessage(message);
                });
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
    if (message == TrayMessage::Add) {
        add(data);
        return QSystemTrayIcon::isSystemTrayAvailable() ? 1 : 0;
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
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayIcon::popupAtPointer(QMenu &menu)
{
    menu.exec(QCursor::pos());
}
