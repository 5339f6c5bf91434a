#ifndef BRENLOWICK_SCREEN_METRICS_H
#define BRENLOWICK_SCREEN_METRICS_H

// The primary screen, in twips (1440 per inch).
class ScreenMetrics
{
public:
    virtual ~ScreenMetrics() = default;
    virtual double widthTwips() const = 0;
    virtual double heightTwips() const = 0;
    // From the logical DPI: 15 at 96 dots per inch.
    virtual double twipsPerPixelX() const = 0;
    virtual double twipsPerPixelY() const = 0;
};

#endif
