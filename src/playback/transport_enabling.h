#ifndef BRENLOWICK_TRANSPORT_ENABLING_H
#define BRENLOWICK_TRANSPORT_ENABLING_H

#include "playback/transport_rules.h"

class frmMain;

// Sets each command the enabling names: the button first, then the tray menu's command of the
// same index, in index order.
void applyTransportEnabling(frmMain &window, const TransportEnabling &enabling);

#endif
