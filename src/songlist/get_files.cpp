#include "app/main_window.h"

#include "app/splash.h"
#include "platform/clock.h"
#include "platform/event_loop.h"
#include "songlist/folder_list.h"
#include "songlist/shuffle_order.h"
#include "songlist/song_list_model.h"
#include "songlist/song_list_view.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <optional>

namespace {

// Names reach the list in batches: each commit is one notification to the view.
constexpr int32_t ListCommitBatch = 1024;

void enableTransport(frmMain &window, bool enabled)
{
    for (QPushButton *button : window.cmdPlayPanel)
        button->setEnabled(enabled);
    for (QAction *command : window.mnuPlayControl)
        command->setEnabled(enabled);
}

} // namespace

void frmMain::cmdGetFiles_Click()
{
    // The window can be brought back from the tray while a search runs; a second press then
    // must not start a search inside the first one.
    if (m_gettingFiles)
        return;
    m_gettingFiles = true;

    std::optional<CaughtError> failure;
    try {
        m_splash = new frmSplash(*this);
        m_splash->Form_Load();
        m_splash->show();
        // The keyboard goes to the progress window, so that Esc there can stop the search.
        m_splash->activateWindow();
        hide();
        cmdPlayPanel_Click(2);
        // Until the new list is complete no transport command may touch it, from the tray menu
        // either; steps below enable them again once there is something to play.
        SongList->setEnabled(false);
        enableTransport(*this, false);
        lblCount->setText(QStringLiteral("00:00:00"));
        showSongNumber(QStringLiteral("----/----"));
        lblArtist->setText(QString());
        lblTitle->setText(QString());
        m_songShown = false;
        SongList->Clear();
        std::vector<std::string>().swap(SongPaths);
        FoundPaths.clear();
        FoundNames.clear();
        std::vector<int32_t>().swap(ShuffleOrder);
        FoundCount = 0;

        SearchFolder(DirTree->path());

        if (FoundCount < 1) {
            SongList->setEnabled(false);
            enableTransport(*this, false);
        } else {
            const bool random = chkRandom->checkState() != Qt::Unchecked;
            if (random)
                intRandom(FoundCount - 1);
            SongListModel &list = SongList->model();
            SongPaths.reserve(static_cast<size_t>(FoundCount));
            for (int32_t i = 0; i < FoundCount; ++i) {
                int32_t found = i;
                if (random) {
                    // A failed shuffle has been reported already; what is left of it is not
                    // an order to build from.
                    if (static_cast<size_t>(i) >= ShuffleOrder.size())
                        raiseError(ErrNo::IndexOutOfRange);
                    found = ShuffleOrder[static_cast<size_t>(i)];
                }
                SongPaths.emplace_back(FoundPaths[static_cast<size_t>(found)]);
                list.appendLater(FoundNames[static_cast<size_t>(found)]);
                if ((i + 1) % ListCommitBatch == 0)
                    list.commitAppended();
                m_platform.eventLoop.yield();
            }
            list.commitAppended();
            SongList->setEnabled(true);
            enableTransport(*this, true);
            SongList->setListIndex(0);
            CurrentSong = 0;
        }
    } catch (...) {
        failure = currentExceptionAsError();
    }

    // Whether it ended normally or not, the progress window goes and the main window comes
    // back before any report, so the message box does not stand over a hidden program.
    SongList->model().commitAppended();
    delete m_splash;
    m_splash = nullptr;
    if (!inTrayMode())
        show();
    m_gettingFiles = false;
    if (failure)
        reportTrappedError(
            m_platform.messageBox, Heading::General, failure->number, failure->description);
}

void frmMain::intRandom(int32_t Max)
{
    trapped(Heading::General, [&] {
        if (Max < 0)
            raiseError(ErrNo::IndexOutOfRange);
        std::vector<int32_t>().swap(ShuffleOrder);
        ShuffleOrder = shuffleOrder(Max, shuffleSeed(m_platform.clock.localNow()),
            [this] { m_platform.eventLoop.yield(); });
    });
}
