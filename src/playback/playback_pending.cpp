#include "app/main_window.h"

// Placeholders until playback lands.
void frmMain::SongList_Click() {}
void frmMain::StartCurrentSong() {}
void frmMain::cmdPlayPanel_Click(int16_t) {}
void frmMain::mnuPlayControl_Click(int16_t) {}
void frmMain::CountTimer_Timer() {}
void frmMain::Slider_Click() {}
QString frmMain::FormatTime(int32_t) { return {}; }
void frmMain::MediaPlayer_EndOfStream(int32_t) {}
void frmMain::chkPlayRepeat_Click() {}
