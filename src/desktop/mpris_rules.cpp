#include "desktop/mpris_rules.h"

#include <QByteArray>

#include <cmath>
#include <limits>

namespace Mpris {

QString playbackStatusFor(bool hasTrack, bool displayMoving, bool pauseEnabled)
{
    if (!hasTrack)
        return Stopped;
    if (displayMoving)
        return Playing;
    return pauseEnabled ? Paused : Stopped;
}

QString loopStatusFor(int32_t repeatValue, int32_t loopValue)
{
    if (repeatValue != 0)
        return LoopTrack;
    return loopValue != 0 ? LoopPlaylist : LoopNone;
}

std::optional<LoopBoxes> loopBoxesFor(const QString &loopStatus)
{
    if (loopStatus == LoopTrack)
        return LoopBoxes {true, std::nullopt};
    if (loopStatus == LoopPlaylist)
        return LoopBoxes {false, true};
    if (loopStatus == LoopNone)
        return LoopBoxes {false, false};
    return std::nullopt;
}

qint64 toMicroseconds(double seconds)
{
    if (!std::isfinite(seconds) || seconds <= 0.0)
        return 0;
    const double micro = std::round(seconds * 1e6);
    // Past this a double no longer converts safely; no song is 290,000 years long anyway.
    constexpr qint64 ceiling = std::numeric_limits<qint64>::max() / 2;
    return micro >= static_cast<double>(ceiling) ? ceiling : static_cast<qint64>(micro);
}

QDBusObjectPath trackIdFor(int32_t entry)
{
    return QDBusObjectPath(QStringLiteral("/io/github/brenlowick/track/%1").arg(entry));
}

QString fileUrlFor(const std::string &pathBytes)
{
    const QByteArray bytes(pathBytes.data(), static_cast<qsizetype>(pathBytes.size()));
    return QStringLiteral("file://") + QString::fromLatin1(bytes.toPercentEncoding("/"));
}

SeekOutcome seekOutcome(qint64 position, qint64 offset, qint64 length)
{
    // Saturate: a client may send any 64-bit offset.
    qint64 target = 0;
    if (__builtin_add_overflow(position, offset, &target))
        target = offset > 0 ? std::numeric_limits<qint64>::max() : 0;
    if (target > length)
        return {true, 0};
    return {false, target < 0 ? 0 : target};
}

bool positionAccepted(qint64 position, qint64 length)
{
    return position >= 0 && position <= length;
}

} // namespace Mpris
