#include "desktop/mpris_snapshot.h"

#include "app/main_window.h"
#include "desktop/mpris_rules.h"
#include "playback/check_box_value.h"
#include "playback/player.h"
#include "playback/seek_slider.h"
#include "playback/transport_rules.h"
#include "songlist/song_list_view.h"

#include <QDBusObjectPath>
#include <QPushButton>
#include <QTimer>

#include <exception>

namespace {

// A tag or length the player cannot give leaves its field out: a desktop widget polling the
// bus must never raise a message box.
QString mediaInfoOrEmpty(const MediaPlayer &player, int32_t infoType)
{
    try {
        return player.GetMediaInfoString(infoType);
    } catch (const std::exception &) {
        return {};
    }
}

double durationOrZero(const MediaPlayer &player)
{
    try {
        return player.Duration();
    } catch (const std::exception &) {
        return 0.0;
    }
}

QVariantMap metadataOf(const frmMain &window, int32_t entry)
{
    QVariantMap metadata;
    if (entry < 0)
        return metadata;
    metadata.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(Mpris::trackIdFor(entry)));
    const qint64 length = Mpris::toMicroseconds(durationOrZero(window.MediaPlayer));
    if (length > 0)
        metadata.insert(QStringLiteral("mpris:length"), length);
    // Untagged files show their file name, as a player's own list does.
    QString title = mediaInfoOrEmpty(window.MediaPlayer, MediaInfo::Title);
    if (title.isEmpty())
        title = window.SongList->List(entry);
    metadata.insert(QStringLiteral("xesam:title"), title);
    const QString artist = mediaInfoOrEmpty(window.MediaPlayer, MediaInfo::Author);
    if (!artist.isEmpty())
        metadata.insert(QStringLiteral("xesam:artist"), QStringList {artist});
    metadata.insert(QStringLiteral("xesam:url"),
        Mpris::fileUrlFor(window.SongPaths[static_cast<size_t>(entry)]));
    return metadata;
}

} // namespace

int32_t currentTrackEntry(const frmMain &window)
{
    const int32_t selected = window.SongList->ListIndex();
    if (selected < 0 || static_cast<size_t>(selected) >= window.SongPaths.size())
        return -1;
    return selected;
}

PlaybackPosition playbackPosition(const frmMain &window)
{
    if (currentTrackEntry(window) < 0)
        return {};
    try {
        return {Mpris::toMicroseconds(window.MediaPlayer.CurrentPosition()), true};
    } catch (const std::exception &) {
        return {Mpris::toMicroseconds(window.Slider->value()), false};
    }
}

QString currentPlaybackStatus(const frmMain &window)
{
    const bool displayMoving = window.CountTimer->isActive() && playbackPosition(window).readable;
    return Mpris::playbackStatusFor(currentTrackEntry(window) >= 0, displayMoving,
        window.cmdPlayPanel[TransportCommand::Pause]->isEnabled());
}

MprisSnapshot takeMprisSnapshot(const frmMain &window)
{
    const int32_t entry = currentTrackEntry(window);
    const auto enabled = [&window](int16_t command) {
        return window.cmdPlayPanel[static_cast<size_t>(command)]->isEnabled();
    };
    MprisSnapshot snapshot;
    snapshot.playbackStatus = currentPlaybackStatus(window);
    snapshot.loopStatus = Mpris::loopStatusFor(
        checkBoxValue(*window.chkPlayRepeat), checkBoxValue(*window.chkPlayLoop));
    snapshot.metadata = metadataOf(window, entry);
    snapshot.canPlay = enabled(TransportCommand::Play);
    snapshot.canPause = enabled(TransportCommand::Pause);
    snapshot.canGoNext = enabled(TransportCommand::Next);
    snapshot.canGoPrevious = enabled(TransportCommand::Previous);
    snapshot.canSeek = entry >= 0;
    return snapshot;
}

QVariantMap changedPlayerProperties(const MprisSnapshot &before, const MprisSnapshot &after)
{
    QVariantMap changed;
    const auto note = [&changed](const char *name, const auto &old, const auto &now) {
        if (old != now)
            changed.insert(QLatin1String(name), QVariant::fromValue(now));
    };
    note("PlaybackStatus", before.playbackStatus, after.playbackStatus);
    note("LoopStatus", before.loopStatus, after.loopStatus);
    note("Metadata", before.metadata, after.metadata);
    note("CanPlay", before.canPlay, after.canPlay);
    note("CanPause", before.canPause, after.canPause);
    note("CanGoNext", before.canGoNext, after.canGoNext);
    note("CanGoPrevious", before.canGoPrevious, after.canGoPrevious);
    note("CanSeek", before.canSeek, after.canSeek);
    return changed;
}
