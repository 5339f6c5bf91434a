#ifndef BRENLOWICK_PLAYBACK_FIXTURE_H
#define BRENLOWICK_PLAYBACK_FIXTURE_H

#include "app/app_error.h"
#include "app/error_trap.h"
#include "app/main_window.h"
#include "fakes/fake_platform.h"
#include "playback/seek_slider.h"
#include "songlist/song_list_view.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <memory>

// A main window on the fake player with a song list filled the way the get-files command
// leaves it (list and the ten transport commands enabled), without running a search.
struct PlaybackWindow
{
    std::unique_ptr<FakePlatform> fakes = std::make_unique<FakePlatform>();
    std::unique_ptr<frmMain> window = std::make_unique<frmMain>(fakes->platform);

    static std::string pathOf(int index)
    {
        return "/music/album/song" + std::to_string(index + 1) + ".mp3";
    }
    static std::string nameOf(int index) { return "song" + std::to_string(index + 1) + ".mp3"; }

    // Songs get distinct tags so a test can tell which one the display shows.
    void fillList(int count, double duration = 200.0)
    {
        for (int index = 0; index < count; ++index) {
            window->SongPaths.push_back(pathOf(index));
            window->SongList->AddItem(QString::fromStdString(nameOf(index)));
            fakes->player.clips[nameOf(index)] = {duration, QStringLiteral("Title %1").arg(index + 1),
                                                  QStringLiteral("Artist %1").arg(index + 1)};
        }
        window->SongList->setEnabled(true);
        for (int index = 0; index < 5; ++index) {
            window->cmdPlayPanel[index]->setEnabled(true);
            window->mnuPlayControl[index]->setEnabled(true);
        }
    }
    void setLoop(bool on) { window->chkPlayLoop->setChecked(on); }
    void setRepeat(bool on) { window->chkPlayRepeat->setChecked(on); }

    // Selects an entry the way the program does, which starts it; the call log starts afresh.
    void select(int index)
    {
        window->SongList->setListIndex(index);
    }
    void startSong(int index)
    {
        select(index);
        fakes->player.calls.clear();
    }

    // The FileName writes since the log was last cleared, as indexes into the list.
    QList<int> startedSongs() const
    {
        QList<int> started;
        for (const QString &call : fakes->player.calls) {
            if (!call.startsWith(QLatin1String("FileName:")))
                continue;
            const QString name = call.section(QLatin1Char('/'), -1);
            started << name.mid(4, name.size() - 8).toInt() - 1;
        }
        return started;
    }

    bool commandEnabled(int index) const
    {
        const bool button = window->cmdPlayPanel[index]->isEnabled();
        const bool menu = window->mnuPlayControl[index]->isEnabled();
        // Both arrays are always set in step once a list exists.
        return button && menu;
    }
    bool commandDisabled(int index) const
    {
        return !window->cmdPlayPanel[index]->isEnabled()
               && !window->mnuPlayControl[index]->isEnabled();
    }

    QStringList shownTexts() const
    {
        QStringList texts;
        for (const auto &box : fakes->messageBox.shown)
            texts << box.text;
        return texts;
    }
};

inline QString expectedReport(Heading heading, int32_t number)
{
    if (heading == Heading::Playback && number == ErrNo::E_FAIL_CODE)
        return errorReportText(headingText(heading), QString(), describeError(number));
    return errorReportText(headingText(heading), QString::number(number), describeError(number));
}

#endif
