#ifndef BRENLOWICK_QT_TRAY_ICON_H
#define BRENLOWICK_QT_TRAY_ICON_H

#include "platform/tray_icon.h"

#include <QSystemTrayIcon>

// The notification area through QSystemTrayIcon. Presses on the icon are turned into the
// button-down messages the window's handler decodes; no context menu is attached, because
// the handler decides whether the popup opens.
class QtTrayIcon : public TrayIconService
{
    Q_OBJECT
public:
    explicit QtTrayIcon(QObject *parent = nullptr);
    ~QtTrayIcon() override;

    // Add shows the icon even where no tray is there yet, so it appears when one starts;
    // the result tells whether a tray was there to take it.
    int32_t notify(int32_t message, const NotifyIconData &data) override;
    bool isAvailable() const override;
    void popupAtPointer(QMenu &menu) override;

    // The message a click on the icon stands for; 0 for activations that are no press.
    static int32_t messageForActivation(QSystemTrayIcon::ActivationReason reason);

private:
    void add(const NotifyIconData &data);

    QSystemTrayIcon *m_icon = nullptr;
};

#endif
