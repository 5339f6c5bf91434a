#include "app/app_icon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>
#include <map>

namespace {

// A green eighth note on a black rounded square: the player's LCD colours.
void drawNote(QPainter &painter, const QRectF &area)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(area.topLeft());
    const double s = std::min(area.width(), area.height());
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
    painter.restore();
}

// Drawn at the size asked for, when it is asked for. The sizes it names are the ones the window
// hands to the desktop as its icon property: every named size is drawn and sent to the display
// when the window is created, so large ones (which panels take from the installed icon files
// instead) would only slow down the first appearance of the window.
class ProgramIconEngine : public QIconEngine {
public:
    QPixmap pixmap(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int edge = std::max(1, std::min(size.width(), size.height()));
        auto cached = m_drawn.find(edge);
        if (cached == m_drawn.end()) {
            QPixmap picture(edge, edge);
            picture.fill(Qt::transparent);
            QPainter painter(&picture);
            drawNote(painter, QRectF(0, 0, edge, edge));
            painter.end();
            cached = m_drawn.emplace(edge, picture).first;
        }
        return cached->second;
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode, QIcon::State) override
    {
        const int edge = std::min(rect.width(), rect.height());
        QRectF square(0, 0, edge, edge);
        square.moveCenter(QRectF(rect).center());
        drawNote(*painter, square);
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int edge = std::min(size.width(), size.height());
        return QSize(edge, edge);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        return {QSize(16, 16), QSize(22, 22), QSize(24, 24), QSize(32, 32), QSize(48, 48),
            QSize(64, 64)};
    }

    QIconEngine *clone() const override { return new ProgramIconEngine(*this); }
    QString key() const override { return QStringLiteral("BrenlowickProgramIcon"); }

private:
    std::map<int, QPixmap> m_drawn;
};

} // namespace

QIcon programIcon()
{
    static const QIcon icon(new ProgramIconEngine);
    return icon;
}
