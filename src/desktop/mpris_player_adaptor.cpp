#include "desktop/mpris_player_adaptor.h"

#include "app/main_window.h"
#include "desktop/after_reply.h"
#include "desktop/mpris_change_watcher.h"
#include "desktop/mpris_rules.h"
#include "desktop/mpris_snapshot.h"
#include "playback/player.h"
#include "playback/transport_rules.h"

#include <QCheckBox>
#include <QDBusContext>
#include <QDBusMessage>
#include <QPushButton>

#include <exception>

MprisPlayerAdaptor::MprisPlayerAdaptor(
    QObject *exported, frmMain &window, MprisChangeWatcher &watcher)
    : QDBusAbstractAdaptor(exported)
    , m_window(window)
    , m_watcher(watcher)
{
    connect(&watcher, &MprisChangeWatcher::positionJumped, this, &MprisPlayerAdaptor::Seeked);
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    return takeMprisSnapshot(m_window).playbackStatus;
}

QString MprisPlayerAdaptor::loopStatus() const
{
    return takeMprisSnapshot(m_window).loopStatus;
}

void MprisPlayerAdaptor::setLoopStatus(const QString &status)
{
    const auto boxes = Mpris::loopBoxesFor(status);
    if (!boxes)
        return;
    // Queued as the commands are, so that a next sent before it still sees the loop it had.
    runAfterReply(this, [this, boxes] {
        m_window.chkPlayRepeat->setChecked(boxes->repeat);
        if (boxes->loop)
            m_window.chkPlayLoop->setChecked(*boxes->loop);
        // Setting the box from code runs no click handler; the loop box's enabled state needs
        // it.
        m_window.chkPlayRepeat_Click();
        m_watcher.checkSoon();
    });
}

void MprisPlayerAdaptor::setRate(double requested)
{
    (void)requested;
    Q_EMIT m_watcher.propertiesChanged({{QStringLiteral("Rate"), rate()}});
}

void MprisPlayerAdaptor::setVolume(double requested)
{
    (void)requested;
    Q_EMIT m_watcher.propertiesChanged({{QStringLiteral("Volume"), volume()}});
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    return takeMprisSnapshot(m_window).metadata;
}

qlonglong MprisPlayerAdaptor::position() const
{
    return playbackPosition(m_window).microseconds;
}

bool MprisPlayerAdaptor::canGoNext() const
{
    return m_window.cmdPlayPanel[TransportCommand::Next]->isEnabled();
}

bool MprisPlayerAdaptor::canGoPrevious() const
{
    return m_window.cmdPlayPanel[TransportCommand::Previous]->isEnabled();
}

bool MprisPlayerAdaptor::canPlay() const
{
    return m_window.cmdPlayPanel[TransportCommand::Play]->isEnabled();
}

bool MprisPlayerAdaptor::canPause() const
{
    return m_window.cmdPlayPanel[TransportCommand::Pause]->isEnabled();
}

bool MprisPlayerAdaptor::canSeek() const
{
    return currentTrackEntry(m_window) >= 0;
}

void MprisPlayerAdaptor::runCommand(int16_t index)
{
    if (!m_window.cmdPlayPanel[static_cast<size_t>(index)]->isEnabled())
        return;
    m_window.cmdPlayPanel_Click(index);
    m_watcher.checkSoon();
}

void MprisPlayerAdaptor::queueCommand(int16_t index)
{
    runAfterReply(this, [this, index] { runCommand(index); });
}

void MprisPlayerAdaptor::Next()
{
    queueCommand(TransportCommand::Next);
}

void MprisPlayerAdaptor::Previous()
{
    queueCommand(TransportCommand::Previous);
}

void MprisPlayerAdaptor::Pause()
{
    queueCommand(TransportCommand::Pause);
}

void MprisPlayerAdaptor::PlayPause()
{
    runAfterReply(this, [this] {
        const bool playing = playbackStatus() == Mpris::Playing;
        runCommand(playing ? TransportCommand::Pause : TransportCommand::Play);
    });
}

void MprisPlayerAdaptor::Stop()
{
    queueCommand(TransportCommand::Stop);
}

void MprisPlayerAdaptor::Play()
{
    queueCommand(TransportCommand::Play);
}

void MprisPlayerAdaptor::Seek(qlonglong Offset)
{
    runAfterReply(this, [this, Offset] {
        if (!canSeek())
            return;
        const Mpris::SeekOutcome outcome = Mpris::seekOutcome(position(), Offset, lengthNow());
        if (outcome.goNext)
            runCommand(TransportCommand::Next);
        else
            moveTo(outcome.target);
    });
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath &TrackId, qlonglong Position)
{
    runAfterReply(this, [this, TrackId, Position] {
        // A position meant for another song, or outside this one, is ignored.
        const int32_t entry = currentTrackEntry(m_window);
        if (entry < 0 || TrackId != Mpris::trackIdFor(entry)
            || !Mpris::positionAccepted(Position, lengthNow()))
            return;
        moveTo(Position);
    });
}

void MprisPlayerAdaptor::OpenUri(const QString &Uri)
{
    (void)Uri;
    // The bus hands the call's context to the exported object, not to its adaptors.
    auto *context = dynamic_cast<QDBusContext *>(parent());
    if (!context || !context->calledFromDBus())
        return;
    context->sendErrorReply(QStringLiteral("org.freedesktop.DBus.Error.NotSupported"),
        QStringLiteral("Brenlowick plays the songs of the folder chosen in its "
                       "window; it opens nothing else."));
}

void MprisPlayerAdaptor::moveTo(qint64 position)
{
    // As the seek slider does, under the same error trap; the display then follows at once,
    // also while paused, when the refresh timer is off.
    const bool moved = m_window.trapped(Heading::General,
        [&] { m_window.MediaPlayer.setCurrentPosition(static_cast<double>(position) / 1e6); });
    if (!moved)
        return;
    m_window.CountTimer_Timer();
    Q_EMIT Seeked(this->position());
}

qint64 MprisPlayerAdaptor::lengthNow() const
{
    try {
        return Mpris::toMicroseconds(m_window.MediaPlayer.Duration());
    } catch (const std::exception &) {
        return 0;
    }
}
