#ifndef BRENLOWICK_GOTHIC_FONT_H
#define BRENLOWICK_GOTHIC_FONT_H

#include <QFont>

class QWidget;

// The proportional Japanese Gothic face the windows were drawn for, or the first installed
// stand-in for it, at the given size.
QFont gothicFont(double points);

// The layout was drawn for a narrow Gothic face; a wider stand-in is condensed just enough that
// the text fits its control instead of being cut off. reservedPixels is room the control needs
// beside its text (a check box's indicator).
void condenseToFit(QWidget *widget, const QString &text, int reservedPixels = 0);

#endif
