#include "playback/round_half_even.h"

#include "app/app_error.h"

#include <cmath>
#include <limits>

int32_t roundHalfEven(double value)
{
    if (!std::isfinite(value))
        raiseError(ErrNo::Overflow);
    // Done by hand instead of std::nearbyint so the result does not depend on the FPU's
    // current rounding mode, which a library may have changed.
    const double floored = std::floor(value);
    const double fraction = value - floored;
    double rounded = floored;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floored, 2.0) != 0.0))
        rounded = floored + 1.0;
    if (rounded < static_cast<double>(std::numeric_limits<int32_t>::min())
        || rounded > static_cast<double>(std::numeric_limits<int32_t>::max()))
        raiseError(ErrNo::Overflow);
    return static_cast<int32_t>(rounded);
}
