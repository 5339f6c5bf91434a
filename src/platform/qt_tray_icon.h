#ifndef BRENLOWICK_QT_TRAY_ICON_H
#define BRENLOWICK_QT_TRAY_ICON_H

#include "platform/tray_icon.h"

class QSystemTrayIcon;

// The notification area through QSystemTrayIcon. Presses on the icon are turned into the
// button-down messages the window's handler decodes; no context menu is attached, because
// the handler decides whether the popup opens.
class QtTrayIcon : public TrayIconService
{
    Q_OBJECT
public:
    explicit QtTrayIcon(QObject *parent = nullptr);
    ~QtTrayIcon() override;

    int32_t notify(int32_t message, const NotifyIconData &data) override;
    bool isAvailable() const override;
    void popupAtPointer(QMenu &menu) override;

private:
    QSystemTrayIcon *m_icon = nullptr;
};

#endif
