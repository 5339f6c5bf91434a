#ifndef BRENLOWICK_TRAY_MESSAGE_H
#define BRENLOWICK_TRAY_MESSAGE_H

#include <cstdint>

// The tray icon's callback arrives as a mouse move whose X, in twips, is the mouse message
// number times the twips-per-pixel factor. Recovers that number the way the classic integer
// division does: both operands rounded half to even, the quotient truncated.
// Throws AppError 6 when X does not fit a 32-bit integer, 11 when the factor rounds to zero.
int32_t trayMessageFromX(double xTwips, double twipsPerPixelX);

#endif
