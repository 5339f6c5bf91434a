#include "app/main_window.h"

// Placeholders until the settings file lands: the window keeps its built-in defaults.
void frmMain::LoadSettings() {}
void frmMain::SaveSettings() {}
