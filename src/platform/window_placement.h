#ifndef BRENLOWICK_WINDOW_PLACEMENT_H
#define BRENLOWICK_WINDOW_PLACEMENT_H

// What the windowing system tells a program about where its window is.
class WindowPlacement
{
public:
    virtual ~WindowPlacement() = default;
    // Whether the window's position on the screen can be read back. X11 keeps a window where it
    // is put and says where it is; a Wayland compositor places windows itself and never tells a
    // client where, so the position a program reads there is the toolkit's invention.
    virtual bool positionKnown() const = 0;
};

// The windowing systems that say where a window is: what a platform without an adapter of its
// own (a test, a benchmark) is taken to be.
class PositionTellingPlacement : public WindowPlacement
{
public:
    bool positionKnown() const override { return true; }
    static PositionTellingPlacement &instance()
    {
        static PositionTellingPlacement placement;
        return placement;
    }
};

#endif
