#ifndef BRENLOWICK_APP_ICON_H
#define BRENLOWICK_APP_ICON_H

#include <QIcon>

// The program's own icon (window, tray, About box), drawn at every size it is asked for.
QIcon programIcon();

#endif
