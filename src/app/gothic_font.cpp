#include "app/gothic_font.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>
#include <QWidget>

#include <algorithm>

namespace {

// Naming families that are not installed makes every text layout search for them again, which
// is a large part of a cold start; only the installed ones are named. The list of families is
// read as it is: asking for one by name would resolve aliases through fontconfig, which costs
// as much as the search it avoids.
const QStringList &installedGothicFamilies()
{
    static const QStringList families = [] {
        const QStringList wanted = {QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                                    QStringLiteral("Noto Sans CJK JP")};
        const QStringList available = QFontDatabase::families();
        QStringList installed;
        for (const QString &family : wanted) {
            if (available.contains(family, Qt::CaseInsensitive))
                installed << family;
        }
        return installed.isEmpty() ? wanted : installed;
    }();
    return families;
}

} // namespace

QFont gothicFont(double points)
{
    QFont font;
    font.setFamilies(installedGothicFamilies());
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
