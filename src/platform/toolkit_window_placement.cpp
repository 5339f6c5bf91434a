#include "platform/toolkit_window_placement.h"

#include <QGuiApplication>

bool ToolkitWindowPlacement::positionKnown() const
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}
