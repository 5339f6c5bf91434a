#ifndef BRENLOWICK_BUTTON_PICTURES_H
#define BRENLOWICK_BUTTON_PICTURES_H

#include <QIcon>

// The pictures of the window's buttons and lists: the toolkit's own media pictures, taken straight from
// its resources so they look the same on every desktop and cost no icon-theme search at start,
// and decoded only when first painted.
namespace ButtonPicture {
QIcon play();
QIcon pause();
QIcon stop();
QIcon previous();
QIcon next();
QIcon end();
QIcon expand();
// The folder list's pictures.
QIcon folderOpen();
QIcon folderClosed();
} // namespace ButtonPicture

#endif
