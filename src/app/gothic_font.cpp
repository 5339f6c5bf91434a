#include "app/gothic_font.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>
#include <QWidget>

#include <algorithm>

namespace {

// The first installed face of the preferred list is named alone. Naming faces that are not
// installed makes every text layout search for them again, and naming a second face makes the
// toolkit sort every installed font into a fallback list the moment the first text is measured;
// with one face that list is only worked out if a character is ever missing from it. The list
// of families is read as it is: asking for one by name would resolve aliases through
// fontconfig, which costs as much as the search it avoids.
const QStringList &gothicFamilies()
{
    static const QStringList families = [] {
        const QStringList wanted = {QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                                    QStringLiteral("Noto Sans CJK JP")};
        const QStringList available = QFontDatabase::families();
        for (const QString &family : wanted) {
            if (available.contains(family, Qt::CaseInsensitive))
                return QStringList{family};
        }
        return wanted;
    }();
    return families;
}

} // namespace

QFont gothicFont(double points)
{
    QFont font;
    font.setFamilies(gothicFamilies());
    font.setPointSizeF(points);
    return font;
}

namespace {

// How far the face must be condensed, in percent, for text to take at most available pixels.
// The glyphs' widths are rounded to whole pixels, so a proportional first guess can be a pixel
// short; the guess is then narrowed until it fits or reaches the floor.
int stretchToFit(QFont font, const QString &text, int available, int minimumStretch)
{
    const int needed = QFontMetrics(font).horizontalAdvance(text);
    if (needed <= available || needed <= 0)
        return 100;
    int stretch = std::max(minimumStretch, 100 * std::max(available, 0) / needed);
    font.setStretch(stretch);
    while (stretch > minimumStretch && QFontMetrics(font).horizontalAdvance(text) > available)
        font.setStretch(--stretch);
    return stretch;
}

} // namespace

void condenseToFit(QWidget *widget, const QString &text, int reservedPixels)
{
    QFont font = widget->font();
    const int stretch = stretchToFit(font, text, widget->width() - reservedPixels, 70);
    if (stretch == 100)
        return;
    font.setStretch(stretch);
    widget->setFont(font);
}

void condenseToFit(QWidget *widget, const QStringList &texts, int minimumStretch)
{
    QFont font = widget->font();
    font.setStretch(QFont::AnyStretch);
    int stretch = 100;
    for (const QString &text : texts)
        stretch = std::min(stretch, stretchToFit(font, text, widget->width(), minimumStretch));
    if (stretch != 100)
        font.setStretch(stretch);
    if (font != widget->font())
        widget->setFont(font);
}
