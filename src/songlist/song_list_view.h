#ifndef BRENLOWICK_SONG_LIST_VIEW_H
#define BRENLOWICK_SONG_LIST_VIEW_H

#include <QListView>

#include <string_view>

class SongListModel;

// A single-selection list box over a large, uniform list. Selecting an entry, by the user or
// from code, raises Click before the selecting call returns.
class SongListView : public QListView {
    Q_OBJECT
public:
    explicit SongListView(QWidget *parent = nullptr);

    SongListModel &model() const { return *m_model; }
    int ListCount() const;
    // -1 when nothing is selected.
    int ListIndex() const;
    // Throws AppError (index out of range) for an index outside the list; -1 clears.
    void setListIndex(int index);
    // The item's text as shown (names that are not UTF-8 decoded for display).
    QString List(int index) const;
    void AddItem(const QString &text);
    // Appends a name as found, raw bytes.
    void AddItemBytes(std::string_view name);
    void Clear();

Q_SIGNALS:
    void Click();

private:
    void onCurrentChanged(const QModelIndex &current);

    SongListModel *m_model = nullptr;
    bool m_settingFromCode = false;
};

#endif
