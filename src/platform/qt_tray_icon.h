#ifndef BRENLOWICK_QT_TRAY_ICON_H
#define BRENLOWICK_QT_TRAY_ICON_H

#include "platform/tray_icon.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSystemTrayIcon>

#include <optional>

class StatusNotifierWatch;
class XEmbedTrayWatch;

// The notification area through QSystemTrayIcon. Presses on the icon are turned into the
// button-down messages the window's handler decodes; no context menu is attached, because
// the handler decides whether the popup opens.
//
// The toolkit chooses once, for the whole run, how its icons are shown: on the bus where a
// StatusNotifier host is registered when the first icon is made, else in the X tray. An icon
// made while neither is there is lost to a panel that starts later on the bus, so the icon is
// made only once a tray is there to show it. From then on both kinds of tray are followed, and
// the window is told when the one the icon is in goes or comes back.
class QtTrayIcon : public TrayIconService {
    Q_OBJECT
public:
    explicit QtTrayIcon(QObject *parent = nullptr);
    ~QtTrayIcon() override;

    // Add keeps the record and shows the icon as soon as a tray is there; the result tells
    // whether one showed it at once.
    int32_t notify(int32_t message, const NotifyIconData &data) override;
    bool isAvailable() const override;
    // Opens the menu from the event loop, once the focus has left a window hidden a moment ago,
    // and returns at once; a press while a popup waits or is open opens no second one.
    void popupAtPointer(QMenu &menu) override;

private:
    enum class Way { Undecided, Bus, XEmbed };

    // The trays are followed from the first question on: by then the toolkit runs.
    void watchTrays() const;
    void traysChanged();
    void showIconWhereATrayIs();
    void openPopupOnceFocusSettled();

    QSystemTrayIcon *m_icon = nullptr;
    std::optional<NotifyIconData> m_wanted;
    Way m_way = Way::Undecided;
    mutable XEmbedTrayWatch *m_xembed = nullptr;
    mutable StatusNotifierWatch *m_statusNotifier = nullptr;
    bool m_available = false;
    QPointer<QMenu> m_popup;
    QElapsedTimer m_popupWait;
};

#endif
