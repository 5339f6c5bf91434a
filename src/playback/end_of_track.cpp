#include "app/main_window.h"

#include "playback/check_box_value.h"
#include "playback/end_of_track_rules.h"
#include "playback/transport_enabling.h"
#include "songlist/song_list_view.h"

#include <QCheckBox>
#include <QTimer>

void frmMain::MediaPlayer_EndOfStream(int32_t)
{
    // The song the get-files command has just stopped may still announce its end while the new
    // list is half built; nothing may start from a list that is not finished.
    if (m_gettingFiles)
        return;
    trapped(Heading::General, [&] {
        CountTimer->stop();
        const EndOfTrackStep step = stepAtEndOfTrack(
            checkBoxValue(*chkPlayRepeat), checkBoxValue(*chkPlayLoop), CurrentSong,
            SongList->ListIndex(), static_cast<int32_t>(SongPaths.size()) - 1);
        switch (step.kind) {
        case EndOfTrackStep::Kind::RestartSame: SongList_Click(); break;
        case EndOfTrackStep::Kind::SelectEntry: SongList->setListIndex(step.entry); break;
        case EndOfTrackStep::Kind::Halt: applyTransportEnabling(*this, enablingWhenHalted()); break;
        }
    });
}

void frmMain::chkPlayRepeat_Click()
{
    chkPlayLoop->setEnabled(loopBoxEnabled(checkBoxValue(*chkPlayRepeat)));
}
