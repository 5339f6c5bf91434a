#ifndef BRENLOWICK_SONG_LIST_MODEL_H
#define BRENLOWICK_SONG_LIST_MODEL_H

#include "songlist/byte_string_list.h"

#include <QAbstractListModel>

#include <string_view>

// The items of the song list: file names as found (raw bytes), one row per song, decoded only
// when a row is shown. Rows can be appended in bulk: appendLater stores a name at once and
// commitAppended tells the views about everything stored since, so a list of a hundred
// thousand songs costs a few notifications, not one per song.
class SongListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    void append(std::string_view name);
    void appendLater(std::string_view name);
    void commitAppended();
    void clear();

    // The rows the views know of; names stored by appendLater count once committed.
    int count() const { return m_committed; }
    std::string_view bytes(int row) const { return m_names[static_cast<size_t>(row)]; }
    QString text(int row) const;

private:
    ByteStringList m_names;
    int m_committed = 0;
};

#endif
