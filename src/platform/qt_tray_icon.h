#ifndef BRENLOWICK_QT_TRAY_ICON_H
#define BRENLOWICK_QT_TRAY_ICON_H

#include "platform/tray_icon.h"

#include <QSystemTrayIcon>

class StatusNotifierWatch;
class XEmbedTrayWatch;

// The notification area through QSystemTrayIcon. Presses on the icon are turned into the
// button-down messages the window's handler decodes; no context menu is attached, because
// the handler decides whether the popup opens. The toolkit says nothing when the tray goes
// away or comes back, so this follows both ways a tray can be there (the X tray selection and
// the StatusNotifier host on the bus) and tells the window.
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

private:
    void add(const NotifyIconData &data);
    // The trays are followed from the first question on: by then the toolkit runs.
    void watchTrays() const;
    bool trayPresent() const;
    void waitForFocusToSettle();
    void traysChanged();

    QSystemTrayIcon *m_icon = nullptr;
    mutable XEmbedTrayWatch *m_xembed = nullptr;
    mutable StatusNotifierWatch *m_statusNotifier = nullptr;
    mutable bool m_onBus = false;
    mutable bool m_available = false;
};

#endif
