#ifndef BRENLOWICK_PICTURE_ON_DEMAND_H
#define BRENLOWICK_PICTURE_ON_DEMAND_H

#include <QIconEngine>
#include <QPixmap>
#include <QString>

#include <map>
#include <utility>
#include <vector>

// A picture kept as the files of its drawn sizes and decoded only when it is first painted, and
// then only the size painted. Decoding every size of every picture while the window is built
// cost more than anything else the window does before it appears.
class PictureOnDemand : public QIconEngine {
public:
    // sizedFiles: the edge length in pixels of each drawn size and the image file holding it.
    explicit PictureOnDemand(std::vector<std::pair<int, QString>> sizedFiles);

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine *clone() const override;
    QString key() const override;
    bool isNull() override;

    // Which drawn size serves a request: the smallest that is not smaller, else the largest.
    // Returns -1 where there are no sizes.
    static int chooseSize(const std::vector<int> &drawnSizes, int wanted);

    // How many images this engine has decoded so far.
    int decodedCount() const { return m_decodedCount; }

private:
    int edgeFor(const QSize &size) const;
    QPixmap drawnPixmap(int edge);

    std::vector<std::pair<int, QString>> m_sizedFiles; // by edge, smallest first
    std::vector<int> m_edges;                           // the same edges alone
    std::map<std::pair<int, int>, QPixmap> m_cache; // (edge, mode) to pixmap
    int m_decodedCount = 0;
};

#endif
