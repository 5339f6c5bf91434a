#ifndef BRENLOWICK_MPRIS_RULES_H
#define BRENLOWICK_MPRIS_RULES_H

#include <QDBusObjectPath>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

// How the window's state reads on the desktop's media-player bus, and back. No widgets here.
namespace Mpris {

inline const QString Playing = QStringLiteral("Playing");
inline const QString Paused = QStringLiteral("Paused");
inline const QString Stopped = QStringLiteral("Stopped");

inline const QString LoopNone = QStringLiteral("None");
inline const QString LoopTrack = QStringLiteral("Track");
inline const QString LoopPlaylist = QStringLiteral("Playlist");

// The window's display moves exactly while a song plays: its refresh timer runs and the player
// can tell where the song is. After a lost device the timer runs on, but the song is halted
// where its sound stopped and the display stands there, and Play goes on from there: as after
// a pause, which keeps the pause command enabled. A stop, or a song that ended with nothing
// after it, disables it.
QString playbackStatusFor(bool hasTrack, bool displayMoving, bool pauseEnabled);

// Check-box values as the end of a song reads them: anything but 0 is on, and repeat wins.
QString loopStatusFor(int32_t repeatValue, int32_t loopValue);

// What a written loop status does to the two boxes. "Track" leaves the loop box as it is, as
// the window does while repeat disables it. Unknown text: nullopt, nothing changes.
struct LoopBoxes {
    bool repeat = false;
    std::optional<bool> loop;

    bool operator==(const LoopBoxes &) const = default;
};
std::optional<LoopBoxes> loopBoxesFor(const QString &loopStatus);

// Seconds to the bus's microseconds; anything that is not a finite, positive time is 0.
qint64 toMicroseconds(double seconds);

// One object path per list entry; the bus reserves /org/mpris for itself.
QDBusObjectPath trackIdFor(int32_t entry);

// A file URL from a path's raw bytes, percent-encoded byte by byte so a name that is not valid
// UTF-8 still names its file.
QString fileUrlFor(const std::string &pathBytes);

// Seek by an offset: before the start clamps to the start, past the end moves to the next song.
struct SeekOutcome {
    bool goNext = false;
    qint64 target = 0;

    bool operator==(const SeekOutcome &) const = default;
};
SeekOutcome seekOutcome(qint64 position, qint64 offset, qint64 length);

// An absolute position is taken only inside the current song.
bool positionAccepted(qint64 position, qint64 length);

} // namespace Mpris

#endif
