#include "app/main_window.h"

// Placeholder until the About box lands.
void frmMain::mnuAbout_Click() {}
