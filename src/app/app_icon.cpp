#include "app/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// A green eighth note on a black rounded square: the player's LCD colours.
QPixmap drawIcon(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(16, 16, 16));
    painter.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);

    const QColor green(0, 255, 0);
    painter.setBrush(green);
    painter.drawEllipse(QRectF(s * 0.22, s * 0.60, s * 0.30, s * 0.22));
    painter.drawRect(QRectF(s * 0.46, s * 0.18, s * 0.07, s * 0.53));
    QPainterPath flag;
    flag.moveTo(s * 0.53, s * 0.18);
    flag.cubicTo(s * 0.62, s * 0.30, s * 0.80, s * 0.32, s * 0.74, s * 0.52);
    flag.cubicTo(s * 0.72, s * 0.40, s * 0.62, s * 0.36, s * 0.53, s * 0.34);
    flag.closeSubpath();
    painter.drawPath(flag);
    return pixmap;
}

} // namespace

QIcon programIcon()
{
    static const QIcon icon = [] {
        QIcon result;
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            result.addPixmap(drawIcon(size));
        return result;
    }();
    return icon;
}
