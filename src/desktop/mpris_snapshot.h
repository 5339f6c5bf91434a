#ifndef BRENLOWICK_MPRIS_SNAPSHOT_H
#define BRENLOWICK_MPRIS_SNAPSHOT_H

#include <QString>
#include <QVariantMap>
#include <QtGlobal>

#include <cstdint>

class frmMain;

// Every player property the bus announces changes of, read from the window at one moment.
// Position is left out on purpose: it changes all the time and is never announced.
struct MprisSnapshot {
    QString playbackStatus;
    QString loopStatus;
    QVariantMap metadata;
    bool canPlay = false;
    bool canPause = false;
    bool canGoNext = false;
    bool canGoPrevious = false;
    bool canSeek = false;

    bool operator==(const MprisSnapshot &) const = default;
};

// The list entry whose song the player holds: the selected one, as long as it has a path. -1
// when there is none. (The current-song index can already point at the first song while the
// last one still plays, after next on the last song with loop off.)
int32_t currentTrackEntry(const frmMain &window);

// Where the current song stands, in microseconds, and whether the player could tell. A player
// that lost its device halts the song where its sound stopped and fails every read until the
// next command; the failure is the window's to report (its next tick meets it), and meanwhile
// the position given is the one the window's display stands at.
struct PlaybackPosition {
    qint64 microseconds = 0;
    bool readable = true;
};
PlaybackPosition playbackPosition(const frmMain &window);

// The snapshot's PlaybackStatus alone: it asks the player for nothing but the position.
QString currentPlaybackStatus(const frmMain &window);

MprisSnapshot takeMprisSnapshot(const frmMain &window);

// The properties that differ, by their bus names, with their new values.
QVariantMap changedPlayerProperties(const MprisSnapshot &before, const MprisSnapshot &after);

#endif
