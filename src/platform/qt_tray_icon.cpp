#include "platform/qt_tray_icon.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

QtTrayIcon::QtTrayIcon(QObject *parent) : TrayIconService(parent) {}

QtTrayIcon::~QtTrayIcon()
{
    delete m_icon;
}

int32_t QtTrayIcon::notify(int32_t message, const NotifyIconData &data)
{
    if (message == TrayMessage::Add) {
        if (!QSystemTrayIcon::isSystemTrayAvailable())
            return 0;
        if (!m_icon) {
            m_icon = new QSystemTrayIcon(this);
            connect(m_icon, &QSystemTrayIcon::activated, this,
                    [this](QSystemTrayIcon::ActivationReason reason) {
                        if (reason == QSystemTrayIcon::Trigger)
                            Q_EMIT mouseMessage(TrayMessage::LeftButtonDown);
                        else if (reason == QSystemTrayIcon::Context)
                            Q_EMIT mouseMessage(TrayMessage::RightButtonDown);
                        else if (reason == QSystemTrayIcon::DoubleClick)
                            Q_EMIT mouseMessage(TrayMessage::LeftButtonDoubleClick);
                    });
        }
        m_icon->setIcon(data.hIcon);
        m_icon->show();
        return 1;
    }
    if (message == TrayMessage::Delete) {
        if (!m_icon)
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
