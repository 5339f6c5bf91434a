#include "app/main_window.h"

#include "playback/check_box_value.h"
#include "playback/player.h"
#include "playback/seek_slider.h"
#include "playback/transport_enabling.h"
#include "songlist/song_list_view.h"

#include <QTimer>

namespace {

// Previous and next only move the selection; the selection handler starts the song.
void takeListStep(frmMain &window, const ListStep &step)
{
    if (step.resetCurrentSong)
        window.CurrentSong = 0;
    if (step.select)
        window.SongList->setListIndex(*step.select);
}

} // namespace

void frmMain::cmdPlayPanel_Click(int16_t Index)
{
    trapped(Heading::Playback, [&] {
        const auto lastSong = static_cast<int32_t>(SongPaths.size()) - 1;
        switch (Index) {
        case TransportCommand::Play:
            MediaPlayer.Play();
            CountTimer->start();
            break;
        case TransportCommand::Pause:
            MediaPlayer.Pause();
            CountTimer->stop();
            break;
        case TransportCommand::Stop:
            MediaPlayer.Stop();
            MediaPlayer.setCurrentPosition(0.0);
            CountTimer->stop();
            break;
        case TransportCommand::Previous:
            takeListStep(*this, previousSongStep(checkBoxValue(*chkPlayLoop), CurrentSong,
                                                 SongList->ListIndex(), SongList->ListCount()));
            break;
        case TransportCommand::Next:
            takeListStep(*this, nextSongStep(checkBoxValue(*chkPlayLoop), CurrentSong,
                                             SongList->ListIndex(), lastSong));
            break;
        default: return;
        }
        applyTransportEnabling(*this, enablingAfterCommand(Index));
        if (Index == TransportCommand::Stop)
            Slider->setValue(0);
    });
}

void frmMain::mnuPlayControl_Click(int16_t Index)
{
    cmdPlayPanel_Click(Index);
}
