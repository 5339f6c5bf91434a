#include "app/main_window.h"
#include "app/splash.h"
#include "fakes/fake_platform.h"
#include "songlist/folder_list.h"
#include "songlist/song_list_view.h"
#include "song_list_helpers.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

class TestGetFiles : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_root = m_dir->path().toStdString();
        m_fakes = std::make_unique<FakePlatform>();
        m_window = std::make_unique<frmMain>(m_fakes->platform);
        m_window->DirTree->setPath(m_root);
    }

    void cleanup()
    {
        m_window.reset();
        m_fakes.reset();
        m_dir.reset();
    }

    void treeWithoutSongsGivesTheEmptyState()
    {
        touch(fs::path(m_root) / "notes.txt");
        touch(fs::path(m_root) / "sub/cover.jpg");
        // A list from before, and a display showing something, that the command must clear.
        touch(fs::path(m_root) / "old.mp3");
        const QFont usualPivotFont = m_window->lblPivot->font();
        m_window->cmdGetFiles_Click();
        QCOMPARE(m_window->SongList->ListCount(), 1);
        fs::remove(fs::path(m_root) / "old.mp3");
        m_window->lblCount->setText(QStringLiteral("00:01:02"));
        // The last song of a long list, whose number is shown condensed.
        m_window->SongPaths.assign(1000000, m_root + "/old.mp3");
        m_window->CurrentSong = 999999;
        m_window->StartCurrentSong();
        QVERIFY(m_window->lblPivot->font() != usualPivotFont);
        m_window->lblTitle->setText(QStringLiteral("title"));
        m_window->lblArtist->setText(QStringLiteral("artist"));
        m_window->CurrentSong = 0;

        m_window->cmdGetFiles_Click();

        QCOMPARE(m_window->SongList->ListCount(), 0);
        QVERIFY(!m_window->SongList->isEnabled());
        QVERIFY(transportEnabled(*m_window, false));
        QVERIFY(m_window->SongPaths.empty());
        QCOMPARE(m_window->FoundCount, 0);
        QCOMPARE(m_window->lblCount->text(), QStringLiteral("00:00:00"));
        QCOMPARE(m_window->lblPivot->text(), QStringLiteral("----/----"));
        QCOMPARE(m_window->lblPivot->font(), usualPivotFont);
        QCOMPARE(m_window->lblTitle->text(), QString());
        QCOMPARE(m_window->lblArtist->text(), QString());
        QVERIFY(m_fakes->messageBox.shown.empty());
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_window->splash(), nullptr);
    }

    void oneSongIsListedSelectedAndPlayed_data()
    {
        QTest::addColumn<bool>("random");
        QTest::newRow("found order") << false;
        QTest::newRow("random order") << true;
    }

    void oneSongIsListedSelectedAndPlayed()
    {
        QFETCH(bool, random);
        touch(fs::path(m_root) / "only.mp3");
        m_window->chkRandom->setChecked(random);
        m_window->cmdGetFiles_Click();

        QCOMPARE(listItems(*m_window), std::vector<QString> {QStringLiteral("only.mp3")});
        QCOMPARE(m_window->SongPaths, std::vector<std::string> {m_root + "/only.mp3"});
        QCOMPARE(m_window->SongList->ListIndex(), 0);
        QCOMPARE(m_window->CurrentSong, 0);
        QVERIFY(m_window->SongList->isEnabled());
        QCOMPARE(m_fakes->player.fileName, fs::path(m_root + "/only.mp3"));
        QVERIFY(m_fakes->player.playing);
        QVERIFY(m_window->isVisible());
        QVERIFY(m_fakes->messageBox.shown.empty());
    }

    void twoSongsInRandomOrderAreAlwaysSwapped()
    {
        touch(fs::path(m_root) / "a.mp3");
        touch(fs::path(m_root) / "b.mp3");
        m_window->chkRandom->setChecked(true);
        for (const QTime &time : {QTime(0, 0, 0), QTime(10, 20, 30), QTime(23, 59, 59)}) {
            m_fakes->clock.now = QDateTime(QDate(2026, 3, 14), time);
            m_window->cmdGetFiles_Click();
            const std::vector<std::string> found = foundPaths(*m_window);
            QCOMPARE(m_window->SongPaths, (std::vector<std::string> {found[1], found[0]}));
        }
    }

    void randomOrderListsEverySongOnceWithTheFirstFoundLast()
    {
        for (int folder = 0; folder < 5; ++folder)
            for (int song = 0; song < 8; ++song)
                touch(fs::path(m_root) / ("f" + std::to_string(folder))
                    / ("s" + std::to_string(song) + ".mp3"));
        m_window->chkRandom->setChecked(true);
        m_window->cmdGetFiles_Click();

        const std::vector<std::string> found = foundPaths(*m_window);
        QCOMPARE(found.size(), size_t {40});
        QCOMPARE(m_window->SongPaths.back(), found.front());
        QVERIFY(m_window->SongPaths != found);
        QCOMPARE(std::set<std::string>(m_window->SongPaths.begin(), m_window->SongPaths.end()),
            std::set<std::string>(found.begin(), found.end()));
        // Item i and path i are the same song.
        for (size_t i = 0; i < m_window->SongPaths.size(); ++i)
            QCOMPARE(m_window->SongList->List(static_cast<int>(i)).toStdString(),
                fs::path(m_window->SongPaths[i]).filename().native());
        // The order is the one drawn for the clock's seed, position by position.
        QCOMPARE(m_window->ShuffleOrder.size(), size_t {40});
        for (size_t i = 0; i < 40; ++i)
            QCOMPARE(m_window->SongPaths[i], found[static_cast<size_t>(m_window->ShuffleOrder[i])]);
    }

    void foundOrderPutsSubfolderSongsFirst()
    {
        touch(fs::path(m_root) / "z.mp3");
        touch(fs::path(m_root) / "A/a.mp3");
        m_window->cmdGetFiles_Click();
        QCOMPARE(m_window->SongPaths,
            (std::vector<std::string> {m_root + "/A/a.mp3", m_root + "/z.mp3"}));
        QCOMPARE(listItems(*m_window),
            (std::vector<QString> {QStringLiteral("a.mp3"), QStringLiteral("z.mp3")}));
    }

    void sameNameInTwoFoldersGivesTwoSongs()
    {
        touch(fs::path(m_root) / "one/same.mp3");
        touch(fs::path(m_root) / "two/same.mp3");
        m_window->cmdGetFiles_Click();
        QCOMPARE(listItems(*m_window),
            (std::vector<QString> {QStringLiteral("same.mp3"), QStringLiteral("same.mp3")}));
        QCOMPARE(m_window->SongPaths.size(), size_t {2});
        QVERIFY(m_window->SongPaths[0] != m_window->SongPaths[1]);
    }

    void commandWhilePlayingStopsFirstThenPlaysTheNewFirstSong()
    {
        touch(fs::path(m_root) / "first.mp3");
        m_window->cmdGetFiles_Click();
        touch(fs::path(m_root) / "sub/new.mp3");
        m_fakes->player.calls.clear();

        m_window->cmdGetFiles_Click();

        const QStringList &calls = m_fakes->player.calls;
        const qsizetype stop = calls.indexOf(QStringLiteral("Stop"));
        const qsizetype load = calls.indexOf(
            QStringLiteral("FileName:") + QString::fromStdString(m_root + "/sub/new.mp3"));
        QVERIFY2(stop >= 0 && load > stop, qPrintable(calls.join(QLatin1Char(','))));
        QCOMPARE(calls.count(QStringLiteral("Stop")), 1);
        QVERIFY(m_fakes->player.playing);
    }

    void twoCommandsInARowGiveTheSameList()
    {
        for (const char *file : {"b/1.mp3", "a/2.mp3", "c/d/3.mp3", "4.mp3"})
            touch(fs::path(m_root) / file);
        m_window->cmdGetFiles_Click();
        const std::vector<std::string> first = m_window->SongPaths;
        const std::vector<QString> firstItems = listItems(*m_window);
        m_window->cmdGetFiles_Click();
        QCOMPARE(m_window->SongPaths, first);
        QCOMPARE(listItems(*m_window), firstItems);
        QCOMPARE(m_window->FoundCount, 4);
    }

    void beyondSixteenBitCounts()
    {
        constexpr int Songs = 32768;
        const int folder = ::open(m_root.c_str(), O_RDONLY | O_DIRECTORY);
        QVERIFY(folder >= 0);
        for (int i = 0; i < Songs; ++i)
            ::close(
                ::openat(folder, (std::to_string(i) + ".mp3").c_str(), O_CREAT | O_WRONLY, 0644));
        ::close(folder);
        m_window->chkRandom->setChecked(true);
        m_window->cmdGetFiles_Click();

        QCOMPARE(m_window->FoundCount, Songs);
        QCOMPARE(m_window->SongList->ListCount(), Songs);
        QCOMPARE(m_window->SongPaths.size(), size_t {Songs});
        QCOMPARE(m_window->SongPaths.back(), std::string(m_window->FoundPaths[0]));
        QCOMPARE(
            std::set<std::string>(m_window->SongPaths.begin(), m_window->SongPaths.end()).size(),
            size_t {Songs});
        QVERIFY(m_fakes->messageBox.shown.empty());
    }

    void vanishedStartingFolderIsReportedOnce()
    {
        touch(fs::path(m_root) / "song.mp3");
        m_window->cmdGetFiles_Click();
        fs::remove_all(m_root);

        m_window->cmdGetFiles_Click();

        QCOMPARE(m_fakes->messageBox.shown.size(), size_t {1});
        const QString text = m_fakes->messageBox.shown.front().text;
        QVERIFY2(text.startsWith(QStringLiteral("エラーが発生しました。")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("76")), qPrintable(text));
        QCOMPARE(m_window->splash(), nullptr);
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_window->SongList->ListCount(), 0);
        QVERIFY(transportEnabled(*m_window, false));
    }

    void secondCommandAndTransportDuringTheBuildAreHarmless()
    {
        for (int i = 0; i < 30; ++i)
            touch(fs::path(m_root) / ("d" + std::to_string(i % 3)) / (std::to_string(i) + ".mp3"));
        // A list from before, so the tray's commands were enabled when the build began.
        m_window->cmdGetFiles_Click();
        QVERIFY(transportEnabled(*m_window, true));
        m_fakes->player.calls.clear();

        int nested = 0;
        m_fakes->eventLoop.onYield = [&] {
            if (nested++ % 7 != 0)
                return;
            m_window->cmdGetFiles_Click();
            for (QAction *command : m_window->mnuPlayControl)
                command->trigger();
        };
        m_window->chkRandom->setChecked(true);
        m_window->cmdGetFiles_Click();
        m_fakes->eventLoop.onYield = nullptr;

        QVERIFY(nested > 0);
        QCOMPARE(m_window->FoundCount, 30);
        QCOMPARE(m_window->SongList->ListCount(), 30);
        QCOMPARE(m_window->SongPaths.size(), size_t {30});
        QCOMPARE(m_fakes->player.calls.count(QStringLiteral("Stop")), 1);
        QVERIFY(m_fakes->messageBox.shown.empty());
        QCOMPARE(m_window->SongList->ListIndex(), 0);
    }

    void endOfTheStoppedSongDuringTheBuildStartsNothing()
    {
        for (int i = 0; i < 20; ++i)
            touch(fs::path(m_root) / (std::to_string(i) + ".mp3"));
        m_window->cmdGetFiles_Click();
        m_fakes->player.calls.clear();

        // The song that the command stopped announces its end while the list is half built.
        bool announced = false;
        m_fakes->eventLoop.onYield = [&] {
            if (announced || m_window->SongPaths.size() < 3)
                return;
            announced = true;
            m_fakes->player.finishSong();
        };
        m_window->cmdGetFiles_Click();
        m_fakes->eventLoop.onYield = nullptr;

        QVERIFY(announced);
        QCOMPARE(m_fakes->player.calls.count(QStringLiteral("Play")), 1);
        QCOMPARE(m_window->SongList->ListIndex(), 0);
        QCOMPARE(m_window->CurrentSong, 0);
        QVERIFY(m_fakes->messageBox.shown.empty());
    }

    void buildYieldsToTheEventLoop()
    {
        for (int i = 0; i < 10; ++i)
            touch(fs::path(m_root) / (std::to_string(i) + ".mp3"));
        m_window->chkRandom->setChecked(true);
        m_fakes->eventLoop.yields = 0;
        m_window->cmdGetFiles_Click();
        // Search entries, shuffle draws and list items each give the loop a turn.
        QVERIFY(m_fakes->eventLoop.yields >= 10 + 9 + 10);
    }

    void namesThatAreNotUtf8ArePlayedByTheirBytes()
    {
        const std::string name = std::string("\x83\x65\x83\x58\x83\x67") + ".mp3";
        touch(fs::path(m_root) / name);
        m_window->cmdGetFiles_Click();
        QCOMPARE(m_window->SongList->List(0), QStringLiteral("テスト.mp3"));
        QCOMPARE(m_window->SongPaths, std::vector<std::string> {m_root + "/" + name});
        QCOMPARE(m_fakes->player.fileName.native(), m_root + "/" + name);
        fs::remove_all(m_root);
    }

    void demoFolderHoldsThreeSongs()
    {
        // What a first start finds beside the program.
        m_window->DirTree->setPath(fs::path(BRENLOWICK_TEST_DATA) / "../../demo");
        m_window->cmdGetFiles_Click();
        std::vector<QString> items = listItems(*m_window);
        std::sort(items.begin(), items.end());
        QCOMPARE(items,
                 (std::vector<QString>{QStringLiteral("01_朝のしらべ.mp3"),
                                       QStringLiteral("02_雨上がりの坂道.mp3"),
                                       QStringLiteral("03_夜空のメロディー.mp3")}));
        QVERIFY(m_fakes->player.playing);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::string m_root;
    std::unique_ptr<FakePlatform> m_fakes;
    std::unique_ptr<frmMain> m_window;
};

QTEST_MAIN(TestGetFiles)
#include "test_get_files.moc"
