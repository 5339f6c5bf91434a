#ifndef BRENLOWICK_TOOLKIT_WINDOW_PLACEMENT_H
#define BRENLOWICK_TOOLKIT_WINDOW_PLACEMENT_H

#include "platform/window_placement.h"

// Asks the toolkit which windowing system the program runs on: its Wayland platforms (native
// Wayland, whatever the buffer integration: "wayland", "wayland-egl", ...) cannot tell a
// position; X11, XWayland included, can.
class ToolkitWindowPlacement : public WindowPlacement
{
public:
    bool positionKnown() const override;
};

#endif
