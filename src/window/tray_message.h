#ifndef BRENLOWICK_TRAY_MESSAGE_H
#define BRENLOWICK_TRAY_MESSAGE_H

#include <cstdint>

// The tray icon's callback arrives as a mouse move whose X, in twips, is the mouse message
// number times the twips-per-pixel factor. Recovers that number the way the classic integer
// division does: both operands rounded half to even, the quotient truncated.
// Throws AppError 6 when X does not fit a 32-bit integer, 11 when the factor rounds to zero.
int32_t trayMessageFromX(double xTwips, double twipsPerPixelX);

// The X that carries a mouse message: the message times the factor rounded as the decoding
// rounds it, so that every message decodes to itself at any screen density (at 84 DPI the
// factor is 17.14, and 0x201 times that would decode to 0x205).
double trayXForMessage(int32_t message, double twipsPerPixelX);

#endif
