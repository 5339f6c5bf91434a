// The soak's actions from outside the window: the desktop's media controls, the folder
// changing on disk, and time passing.

#include "bench/soak/soak_driver.h"

#include "app/main_window.h"
#include "bench/soak/soak_checker.h"
#include "bench/soak/soak_platform.h"
#include "bench/soak/soak_tree.h"
#include "desktop/mpris_player_adaptor.h"
#include "desktop/mpris_rules.h"
#include "playback/player.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>

#include <cmath>

std::string SoakDriver::mprisCommand(ActionKind kind)
{
    int16_t index = 0;
    switch (kind) {
    case ActionKind::MprisNext:
        index = 4;
        break;
    case ActionKind::MprisPrevious:
        index = 3;
        break;
    case ActionKind::MprisStop:
        index = 2;
        break;
    default:
        // The desktop's play-pause key means pause while it shows the player playing.
        index = m_mpris.playbackStatus() == Mpris::Playing ? 1 : 0;
        break;
    }
    const bool enabled = m_window.cmdPlayPanel[static_cast<size_t>(index)]->isEnabled();
    const int startsBefore = m_checker.starts();
    switch (kind) {
    case ActionKind::MprisNext:
        m_mpris.Next();
        break;
    case ActionKind::MprisPrevious:
        m_mpris.Previous();
        break;
    case ActionKind::MprisStop:
        m_mpris.Stop();
        break;
    default:
        m_mpris.PlayPause();
        break;
    }
    if (enabled)
        m_checker.commandRan(index, startsBefore);
    return "command " + std::to_string(index) + (enabled ? "" : " (not offered)");
}

std::string SoakDriver::mprisSeek(double fraction)
{
    // Up to three seconds either way, as the desktop's seek keys and scroll do.
    const auto offset = static_cast<qlonglong>((fraction * 2.0 - 1.0) * 3e6);
    const qlonglong before = m_mpris.position();
    const double length = m_window.MediaPlayer.Duration();
    const bool canSeek = m_mpris.canSeek();
    const bool nextOffered = m_window.cmdPlayPanel[4]->isEnabled();
    const int startsBefore = m_checker.starts();
    m_checker.seekStarting();
    m_mpris.Seek(offset);
    const double target = std::max(0.0, static_cast<double>(before + offset) / 1e6);
    if (!canSeek)
        return "no song to seek in";
    if (target >= length) {
        // Past the end the desktop means the next song.
        if (nextOffered)
            m_checker.commandRan(4, startsBefore);
        return "by " + std::to_string(offset / 1000) + " ms: past the end";
    }
    m_checker.seekRan(target);
    return "by " + std::to_string(offset / 1000) + " ms";
}

std::string SoakDriver::mprisSetPosition(double fraction)
{
    const QVariantMap metadata = m_mpris.metadata();
    if (!metadata.contains(QStringLiteral("mpris:trackid")))
        return "no song";
    const auto track = metadata.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>();
    const double length = m_window.MediaPlayer.Duration();
    const auto position = static_cast<qlonglong>(fraction * length * 1e6);
    m_checker.seekStarting();
    m_mpris.SetPosition(track, position);
    m_checker.seekRan(static_cast<double>(position) / 1e6);
    return "to " + std::to_string(position / 1000) + " ms";
}

std::string SoakDriver::mprisLoopStatus(int index)
{
    const QString wanted = index % 3 == 0 ? Mpris::LoopNone
        : index % 3 == 1                  ? Mpris::LoopTrack
                                          : Mpris::LoopPlaylist;
    m_mpris.setLoopStatus(wanted);
    if (m_mpris.loopStatus() != wanted)
        m_checker.fail("the desktop set the loop status " + wanted.toStdString() + " and reads "
            + m_mpris.loopStatus().toStdString());
    return wanted.toStdString();
}

std::string SoakDriver::changeFolder(const Action &action)
{
    const std::string current = m_checker.hasClip() ? m_checker.clipPath() : std::string();
    const std::string song
        = action.onCurrentSong && !current.empty() ? current : m_tree.anyPresentSong(m_random);
    using Change = SoakChecker::FileChange;
    const auto changed = [&](std::string done, Change change) {
        if (!done.empty())
            m_checker.fileChanged(song, change);
        return done;
    };
    std::string done;
    switch (action.kind) {
    case ActionKind::TreeAddSongs:
        return m_tree.addSongs(m_random);
    case ActionKind::TreeDelete:
        return changed(m_tree.deleteSong(song), Change::Deleted);
    case ActionKind::TreeCutShort:
        return changed(m_tree.cutShort(song, m_random), Change::CutShort);
    case ActionKind::TreeEmpty:
        return changed(m_tree.empty(song), Change::Emptied);
    case ActionKind::TreeRemoveFolder:
        done = m_tree.removeSubfolder(m_random);
        break;
    default:
        done = m_tree.removeChosenFolder();
        break;
    }
    // A folder that went may have taken the song that plays with it.
    if (!current.empty() && !m_tree.song(current))
        m_checker.fileChanged(current, SoakChecker::FileChange::Deleted);
    return done;
}

void SoakDriver::waitSampling(int milliseconds)
{
    QEventLoop loop;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &loop, [&] {
        if (!m_checker.samplePosition())
            loop.quit();
    });
    sampler.start(3);
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

std::string SoakDriver::playOut()
{
    if (!m_checker.playing())
        return "nothing plays";
    const int endsBefore = m_checker.counts().ends;
    const double left = m_window.MediaPlayer.Duration() - m_window.MediaPlayer.CurrentPosition();
    // However slow the device's pace, twice the song's own time and some is plenty.
    const qint64 limit = static_cast<qint64>(left * 2000.0) + 5000;
    QElapsedTimer waited;
    waited.start();
    while (m_checker.counts().ends == endsBefore && m_checker.playing() && !m_checker.failed()
        && waited.elapsed() < limit)
        waitSampling(10);
    if (m_checker.counts().ends == endsBefore && m_checker.playing() && !m_checker.failed())
        m_checker.fail("the song did not end within " + std::to_string(limit) + " ms ("
            + std::to_string(left) + " s were left)");
    return "after " + std::to_string(waited.elapsed()) + " ms";
}
