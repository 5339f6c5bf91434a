#ifndef BRENLOWICK_TRAY_ICON_H
#define BRENLOWICK_TRAY_ICON_H

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>

#include <array>
#include <cstdint>

class QMenu;

// The notification record handed to the tray with every add and delete. It keeps the layout
// of the classic single-byte record (88 bytes) as the program's own data; on Linux the icon
// is what the tray adapter shows.
struct NotifyIconData
{
    uint32_t cbSize = 88;
    quintptr hWnd = 0;
    uint32_t uID = 0;
    uint32_t uFlags = 0;
    uint32_t uCallbackMessage = 0;
    QIcon hIcon;
    std::array<char, 64> szTip{};
};

namespace TrayMessage {
constexpr int32_t Add = 0;
constexpr int32_t Modify = 1;
constexpr int32_t Delete = 2;
constexpr int32_t FlagMessage = 1;
constexpr int32_t FlagIcon = 2;
constexpr int32_t FlagTip = 4;
constexpr uint32_t CallbackMouseMove = 0x200;
constexpr int32_t LeftButtonDown = 0x201;
constexpr int32_t LeftButtonUp = 0x202;
constexpr int32_t LeftButtonDoubleClick = 0x203;
constexpr int32_t RightButtonDown = 0x204;
constexpr int32_t RightButtonUp = 0x205;
constexpr int32_t MiddleButtonDown = 0x207;
} // namespace TrayMessage

// The desktop's notification area.
class TrayIconService : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    // Add or delete the icon the record describes; returns non-zero on success.
    virtual int32_t notify(int32_t message, const NotifyIconData &data) = 0;
    // False while the desktop offers no notification area (none at all, or its host is gone).
    virtual bool isAvailable() const = 0;
    // Opens the menu at the pointer from the event loop and returns at once, so the handler that
    // asks for it never waits inside itself. A menu whose own action is hidden by then is not
    // opened.
    virtual void popupAtPointer(QMenu &menu) = 0;

    // A click on the icon, handed on as the button-down message it stands for. The press of a
    // single click is a Trigger and the second press of a double click a DoubleClick, which is
    // how the classic messages fall too; activations that are no press are dropped.
    void activate(QSystemTrayIcon::ActivationReason reason)
    {
        if (const int32_t message = messageForActivation(reason))
            Q_EMIT mouseMessage(message);
    }

    static int32_t messageForActivation(QSystemTrayIcon::ActivationReason reason)
    {
        switch (reason) {
        case QSystemTrayIcon::Trigger: return TrayMessage::LeftButtonDown;
        case QSystemTrayIcon::Context: return TrayMessage::RightButtonDown;
        case QSystemTrayIcon::DoubleClick: return TrayMessage::LeftButtonDoubleClick;
        case QSystemTrayIcon::MiddleClick: return TrayMessage::MiddleButtonDown;
        case QSystemTrayIcon::Unknown: break;
        }
        return 0;
    }

Q_SIGNALS:
    // A mouse message on the icon (TrayMessage::LeftButtonDown and so on).
    void mouseMessage(int32_t message);
    // The notification area went away (its panel crashed or restarted) or came back. An icon
    // added and not deleted shows again by itself when it comes back.
    void availabilityChanged(bool available);
};

#endif
