#include "app/main_window.h"

// Placeholders until the song list lands.
void frmMain::Drive_Change() {}
void frmMain::DirTree_Change() {}
void frmMain::cmdGetFiles_Click() {}
void frmMain::intRandom(int32_t) {}
void frmMain::SearchFolder(const std::filesystem::path &) {}
