#include "app/picture_on_demand.h"

#include <QApplication>
#include <QImageReader>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

PictureOnDemand::PictureOnDemand(std::vector<std::pair<int, QString>> sizedFiles)
    : m_sizedFiles(std::move(sizedFiles))
{
    std::sort(m_sizedFiles.begin(), m_sizedFiles.end());
    for (const auto &sizedFile : m_sizedFiles)
        m_edges.push_back(sizedFile.first);
}

int PictureOnDemand::chooseSize(const std::vector<int> &drawnSizes, int wanted)
{
    int smallestLargeEnough = -1;
    int largest = -1;
    for (int edge : drawnSizes) {
        largest = std::max(largest, edge);
        if (edge >= wanted && (smallestLargeEnough < 0 || edge < smallestLargeEnough))
            smallestLargeEnough = edge;
    }
    return smallestLargeEnough >= 0 ? smallestLargeEnough : largest;
}

int PictureOnDemand::edgeFor(const QSize &size) const
{
    return chooseSize(m_edges, std::max(size.width(), size.height()));
}

QPixmap PictureOnDemand::drawnPixmap(int edge)
{
    const auto cached = m_cache.find({edge, QIcon::Normal});
    if (cached != m_cache.end())
        return cached->second;
    QPixmap pixmap;
    for (const auto &[drawnEdge, file] : m_sizedFiles) {
        if (drawnEdge != edge)
            continue;
        // Naming the format keeps the reader from probing every image plug-in for the file.
        QImageReader reader(file, "png");
        reader.setAutoDetectImageFormat(false);
        pixmap = QPixmap::fromImage(reader.read());
        ++m_decodedCount;
        break;
    }
    m_cache[{edge, QIcon::Normal}] = pixmap;
    return pixmap;
}

QPixmap PictureOnDemand::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State)
{
    const int edge = edgeFor(size);
    if (edge < 0)
        return {};
    QPixmap picture;
    const auto cached = m_cache.find({edge, mode});
    if (cached != m_cache.end()) {
        picture = cached->second;
    } else {
        picture = drawnPixmap(edge);
        if (mode != QIcon::Normal && !picture.isNull()) {
            // Disabled and selected pictures look as the style draws them for any other icon.
            QStyleOption option;
            option.palette = QGuiApplication::palette();
            picture = QApplication::style()->generatedIconPixmap(mode, picture, &option);
        }
        m_cache[{edge, mode}] = picture;
    }
    // As any icon does: a larger drawing is scaled down, a smaller one is never blown up.
    if (picture.width() > size.width() || picture.height() > size.height())
        return picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return picture;
}

void PictureOnDemand::paint(
    QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    QPixmap picture = pixmap(rect.size() * ratio, mode, state);
    picture.setDevicePixelRatio(ratio);
    QSize shown = picture.size() / ratio;
    QRect target(QPoint(), shown);
    target.moveCenter(rect.center());
    painter->drawPixmap(target, picture);
}

QSize PictureOnDemand::actualSize(const QSize &size, QIcon::Mode, QIcon::State)
{
    const int edge = edgeFor(size);
    if (edge < 0)
        return {};
    return QSize(edge, edge).boundedTo(size);
}

QList<QSize> PictureOnDemand::availableSizes(QIcon::Mode, QIcon::State)
{
    QList<QSize> sizes;
    for (const auto &sizedFile : m_sizedFiles)
        sizes << QSize(sizedFile.first, sizedFile.first);
    return sizes;
}

QIconEngine *PictureOnDemand::clone() const
{
    return new PictureOnDemand(*this);
}

QString PictureOnDemand::key() const
{
    return QStringLiteral("PictureOnDemand");
}

bool PictureOnDemand::isNull()
{
    return m_sizedFiles.empty();
}
