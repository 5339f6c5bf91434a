#ifndef BRENLOWICK_SONG_LIST_MODEL_H
#define BRENLOWICK_SONG_LIST_MODEL_H

#include <QAbstractListModel>

#include <vector>

// The items of the song list: file names as shown, one row per song.
class SongListModel : public QAbstractListModel
{
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    void append(QString text);
    void clear();
    const QString &item(int row) const { return m_items[static_cast<size_t>(row)]; }
    int count() const { return static_cast<int>(m_items.size()); }

private:
    std::vector<QString> m_items;
};

#endif
