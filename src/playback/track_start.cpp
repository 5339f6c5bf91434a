#include "app/main_window.h"

#include "app/app_error.h"
#include "playback/check_box_value.h"
#include "playback/player.h"
#include "playback/round_half_even.h"
#include "playback/seek_slider.h"
#include "playback/transport_enabling.h"
#include "songlist/song_list_view.h"

#include <QLabel>
#include <QTimer>

void frmMain::SongList_Click()
{
    trapped(Heading::General, [&] {
        const int32_t selected = SongList->ListIndex();
        applyTransportEnabling(*this, enablingForSelection(checkBoxValue(*chkPlayLoop), selected,
                                                           SongList->ListCount()));
        CurrentSong = selected;
        applyTransportEnabling(*this, enablingWhilePlaying());
        StartCurrentSong();
    });
}

void frmMain::StartCurrentSong()
{
    trapped(Heading::Playback, [&] {
        if (CurrentSong < 0 || static_cast<size_t>(CurrentSong) >= SongPaths.size())
            raiseError(ErrNo::IndexOutOfRange);
        m_songShown = false;
        MediaPlayer.setFileName(SongPaths[static_cast<size_t>(CurrentSong)]);
        MediaPlayer.Play();
        CountTimer->start();
        m_songShown = true;
        showSliderRange();
        showSongNumber(QStringLiteral("%1/%2").arg(CurrentSong + 1).arg(SongPaths.size()));
        showSongTags();
    });
}

void frmMain::showSliderRange()
{
    const double duration = MediaPlayer.Duration();
    Slider->setMaximum(roundHalfEven(duration));
    // 32-bit like the maximum: a 16-bit step would overflow on recordings over 91 hours.
    Slider->setPageStep(roundHalfEven(duration / 10.0));
}

void frmMain::showSongTags()
{
    lblArtist->setText(MediaPlayer.GetMediaInfoString(MediaInfo::Author));
    lblTitle->setText(MediaPlayer.GetMediaInfoString(MediaInfo::Title));
}

void frmMain::MediaPlayer_ClipInfoChanged()
{
    trapped(Heading::General, [&] {
        if (!m_songShown)
            return;
        showSliderRange();
        showSongTags();
    });
}
