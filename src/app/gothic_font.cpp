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

void condenseToFit(QWidget *widget, const QString &text, int reservedPixels)
{
    QFont font = widget->font();
    const int available = widget->width() - reservedPixels;
    const int needed = QFontMetrics(font).horizontalAdvance(text);
    if (needed <= available || needed <= 0)
        return;
    font.setStretch(std::max(70, 100 * available / needed));
    widget->setFont(font);
}
