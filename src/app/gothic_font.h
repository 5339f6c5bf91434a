#ifndef BRENLOWICK_GOTHIC_FONT_H
#define BRENLOWICK_GOTHIC_FONT_H

#include <QFont>
#include <QStringList>

class QWidget;

// The proportional Japanese Gothic face the windows were drawn for, or the first installed
// stand-in for it, at the given size.
QFont gothicFont(double points);

// The layout was drawn for a narrow Gothic face; a wider stand-in is condensed just enough that
// the text fits its control instead of being cut off. reservedPixels is room the control needs
// beside its text (a check box's indicator). Captions are condensed to 70 % at most, so they
// stay easy to read.
void condenseToFit(QWidget *widget, const QString &text, int reservedPixels = 0);

// The same for a control that shows changing texts: its face is condensed for the widest of
// texts, counted from the face's own width (an earlier condensing does not add up), down to
// minimumStretch percent, and set only where it changes.
void condenseToFit(QWidget *widget, const QStringList &texts, int minimumStretch);

#endif
