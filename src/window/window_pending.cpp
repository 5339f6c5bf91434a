#include "app/main_window.h"

// Placeholders until the window heights and the tray icon land.
void frmMain::cmdFormExpand_Click() {}
void frmMain::Form_MouseMove(int16_t, int16_t, float, float) {}
void frmMain::mnuDisplay_Click() {}
void frmMain::trayAdd() {}
void frmMain::trayDelete() {}
