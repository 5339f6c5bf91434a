#include "songlist/song_list_model.h"

#include "songlist/display_name.h"

int SongListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant SongListModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count())
        return {};
    return text(index.row());
}

QString SongListModel::text(int row) const
{
    return displayName(bytes(row));
}

void SongListModel::append(std::string_view name)
{
    appendLater(name);
    commitAppended();
}

void SongListModel::appendLater(std::string_view name)
{
    m_names.push_back(name);
}

void SongListModel::commitAppended()
{
    const int stored = m_names.count();
    if (stored == m_committed)
        return;
    beginInsertRows({}, m_committed, stored - 1);
    m_committed = stored;
    endInsertRows();
}

void SongListModel::clear()
{
    beginResetModel();
    m_names.clear();
    m_committed = 0;
    endResetModel();
}
