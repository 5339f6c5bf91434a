#include "app/main_window.h"

namespace {
constexpr uint32_t TrayIconId = 1;
} // namespace

void frmMain::trayAdd()
{
    TrayIconData = NotifyIconData{};
    TrayIconData.cbSize = 88;
    TrayIconData.hWnd = static_cast<quintptr>(winId());
    TrayIconData.uID = TrayIconId;
    TrayIconData.uFlags =
        TrayMessage::FlagMessage | TrayMessage::FlagIcon | TrayMessage::FlagTip;
    TrayIconData.uCallbackMessage = TrayMessage::CallbackMouseMove;
    TrayIconData.hIcon = windowIcon();
    // The tip stays all zeros: the icon shows no tooltip.
    ingAPIReVal = m_platform.tray.notify(TrayMessage::Add, TrayIconData);
}

void frmMain::trayDelete()
{
    ingAPIReVal = m_platform.tray.notify(TrayMessage::Delete, TrayIconData);
}
