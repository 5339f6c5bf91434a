#ifndef BRENLOWICK_ROUND_HALF_EVEN_H
#define BRENLOWICK_ROUND_HALF_EVEN_H

#include <cstdint>

// Rounds to the nearest whole number, halves to the even neighbour (12.5 -> 12, 13.5 -> 14),
// as positions and durations are shown. Throws AppError (overflow) for NaN and for values
// outside the 32-bit range, rather than letting a bad reading from the player wrap around.
int32_t roundHalfEven(double value);

#endif
