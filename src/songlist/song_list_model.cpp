#include "songlist/song_list_model.h"

int SongListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant SongListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count())
        return {};
    return item(index.row());
}

void SongListModel::append(QString text)
{
    const int row = count();
    beginInsertRows({}, row, row);
    m_items.push_back(std::move(text));
    endInsertRows();
}

void SongListModel::clear()
{
    beginResetModel();
    m_items.clear();
    m_items.shrink_to_fit();
    endResetModel();
}
