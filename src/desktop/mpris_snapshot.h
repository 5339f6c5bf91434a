#ifndef BRENLOWICK_MPRIS_SNAPSHOT_H
#define BRENLOWICK_MPRIS_SNAPSHOT_H

#include <QString>
#include <QVariantMap>

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

MprisSnapshot takeMprisSnapshot(const frmMain &window);

// The properties that differ, by their bus names, with their new values.
QVariantMap changedPlayerProperties(const MprisSnapshot &before, const MprisSnapshot &after);

#endif
