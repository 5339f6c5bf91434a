#include "desktop/mpris_change_watcher.h"

#include "app/main_window.h"
#include "desktop/mpris_rules.h"
#include "playback/player.h"
#include "playback/seek_slider.h"
#include "songlist/song_list_view.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QPushButton>

MprisChangeWatcher::MprisChangeWatcher(frmMain &window, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_announced(takeMprisSnapshot(window))
{
    m_pendingCheck.setSingleShot(true);
    m_pendingCheck.setInterval(0);
    connect(&m_pendingCheck, &QTimer::timeout, this, &MprisChangeWatcher::compare);
    window.CountTimer->installEventFilter(this);

    // Connected after the window's own handlers, so these run once the handler is done.
    for (size_t index = 0; index < window.cmdPlayPanel.size(); ++index) {
        window.cmdPlayPanel[index]->installEventFilter(this);
        connect(window.cmdPlayPanel[index], &QPushButton::clicked, this,
            &MprisChangeWatcher::checkSoon);
        connect(window.mnuPlayControl[index], &QAction::triggered, this,
            &MprisChangeWatcher::checkSoon);
    }
    // The get-files command stops playback and rebuilds the list.
    connect(window.cmdGetFiles, &QPushButton::clicked, this, &MprisChangeWatcher::checkSoon);
    connect(window.chkPlayRepeat, &QCheckBox::stateChanged, this, &MprisChangeWatcher::checkSoon);
    connect(window.chkPlayLoop, &QCheckBox::stateChanged, this, &MprisChangeWatcher::checkSoon);
    // A song that ended may start over (repeat), and a click on the playing entry restarts it.
    const auto songMayRestart = [this] {
        m_songMayHaveRestarted = true;
        checkSoon();
    };
    connect(&window.MediaPlayer, &MediaPlayer::EndOfStream, this, songMayRestart);
    // A length made exact, or tags read late, after the song started.
    connect(
        &window.MediaPlayer, &MediaPlayer::ClipInfoChanged, this, &MprisChangeWatcher::checkSoon);
    connect(window.SongList, &SongListView::Click, this, songMayRestart);
    connect(
        window.Slider, &SeekSlider::Click, this, [this] { Q_EMIT positionJumped(positionNow()); });
}

void MprisChangeWatcher::checkSoon()
{
    m_pendingCheck.start();
}

bool MprisChangeWatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        checkSoon();
    // A tick is where a lost device is met, and the tick then reports it in a modal box, inside
    // which the timer does not tick again. So a look at the status is queued before each tick
    // runs, and the box's loop runs it: the halted song is announced while the box is open.
    // Only the status, four times a second: tags may keep the player a moment.
    if (watched == m_window.CountTimer && event->type() == QEvent::Timer) {
        QTimer::singleShot(0, this, [this] {
            if (currentPlaybackStatus(m_window) != m_announced.playbackStatus)
                checkSoon();
        });
    }
    return QObject::eventFilter(watched, event);
}

void MprisChangeWatcher::compare()
{
    const MprisSnapshot now = takeMprisSnapshot(m_window);
    const QVariantMap changed = changedPlayerProperties(m_announced, now);
    const bool startedOver = m_songMayHaveRestarted && now.playbackStatus == Mpris::Playing
        && !changed.contains(QStringLiteral("Metadata"));
    m_songMayHaveRestarted = false;
    m_announced = now;
    if (!changed.isEmpty())
        Q_EMIT propertiesChanged(changed);
    // A widget keeps counting from where it was unless told the same song began again.
    if (startedOver)
        Q_EMIT positionJumped(positionNow());
}

qint64 MprisChangeWatcher::positionNow() const
{
    return playbackPosition(m_window).microseconds;
}
