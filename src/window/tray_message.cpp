#include "window/tray_message.h"

#include "app/app_error.h"

#include <cmath>
#include <limits>

namespace {

constexpr int32_t DivisionByZero = 11;

int64_t roundedToLong(double value)
{
    // nearbyint follows the default rounding mode, which is half to even.
    const double rounded = std::nearbyint(value);
    if (!std::isfinite(rounded) || rounded < std::numeric_limits<int32_t>::min()
        || rounded > std::numeric_limits<int32_t>::max())
        raiseError(ErrNo::Overflow);
    return static_cast<int64_t>(rounded);
}

} // namespace

int32_t trayMessageFromX(double xTwips, double twipsPerPixelX)
{
    const int64_t dividend = roundedToLong(xTwips);
    const int64_t divisor = roundedToLong(twipsPerPixelX);
    if (divisor == 0)
        throw AppError(DivisionByZero, QStringLiteral("0 で除算しました。"));
    // Computed in 64 bits: the minimum divided by -1 is the one quotient a Long cannot hold.
    const int64_t quotient = dividend / divisor;
    if (quotient > std::numeric_limits<int32_t>::max())
        raiseError(ErrNo::Overflow);
    return static_cast<int32_t>(quotient);
}

double trayXForMessage(int32_t message, double twipsPerPixelX)
{
    return message * std::nearbyint(twipsPerPixelX);
}
