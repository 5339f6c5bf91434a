#include "playback/time_text.h"

namespace {

QString twoDigits(int32_t value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

QString formatTimeText(int32_t seconds)
{
    if (seconds < 0)
        return QStringLiteral("0:00");
    if (seconds < 3600)
        return QStringLiteral("00:") + twoDigits(seconds / 60) + QLatin1Char(':')
               + twoDigits(seconds % 60);
    return twoDigits(seconds / 3600) + QLatin1Char(':') + twoDigits(seconds / 60 % 60)
           + QLatin1Char(':') + twoDigits(seconds % 60);
}
