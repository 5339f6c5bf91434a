#include "songlist/song_list_view.h"

#include "app/app_error.h"
#include "songlist/song_list_model.h"

SongListView::SongListView(QWidget *parent)
    : QListView(parent)
    , m_model(new SongListModel(this))
{
    setModel(m_model);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
        [this](const QModelIndex &current) { onCurrentChanged(current); });
}

int SongListView::ListCount() const
{
    return m_model->count();
}

int SongListView::ListIndex() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void SongListView::setListIndex(int index)
{
    if (index < -1 || index >= ListCount())
        raiseError(ErrNo::IndexOutOfRange);
    m_settingFromCode = true;
    if (index < 0) {
        selectionModel()->clearCurrentIndex();
        selectionModel()->clearSelection();
    } else {
        setCurrentIndex(m_model->index(index));
    }
    m_settingFromCode = false;
    if (index >= 0)
        Q_EMIT Click();
}

QString SongListView::List(int index) const
{
    if (index < 0 || index >= ListCount())
        raiseError(ErrNo::IndexOutOfRange);
    return m_model->text(index);
}

void SongListView::AddItem(const QString &text)
{
    m_model->append(text.toStdString());
}

void SongListView::AddItemBytes(std::string_view name)
{
    m_model->append(name);
}

void SongListView::Clear()
{
    m_settingFromCode = true;
    m_model->clear();
    m_settingFromCode = false;
}

void SongListView::onCurrentChanged(const QModelIndex &current)
{
    if (!m_settingFromCode && current.isValid())
        Q_EMIT Click();
}
