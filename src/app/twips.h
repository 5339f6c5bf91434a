#ifndef BRENLOWICK_TWIPS_H
#define BRENLOWICK_TWIPS_H

#include <QRect>

#include <cmath>

// Window geometry is kept in twips (1440 per inch); the toolkit works in pixels.
constexpr double TwipsPerInch = 1440.0;

inline double twipsPerPixelForDpi(double dotsPerInch)
{
    return dotsPerInch > 0.0 ? TwipsPerInch / dotsPerInch : 15.0;
}

inline int twipsToPixels(double twips, double twipsPerPixel)
{
    return static_cast<int>(std::lround(twips / twipsPerPixel));
}

inline double pixelsToTwips(int pixels, double twipsPerPixel)
{
    return pixels * twipsPerPixel;
}

inline QRect twipsRect(double left, double top, double width, double height, double twipsPerPixelX,
                       double twipsPerPixelY)
{
    return QRect(twipsToPixels(left, twipsPerPixelX), twipsToPixels(top, twipsPerPixelY),
                 twipsToPixels(width, twipsPerPixelX), twipsToPixels(height, twipsPerPixelY));
}

#endif
