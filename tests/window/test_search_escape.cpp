#include "app/main_window.h"
#include "app/splash.h"
#include "fakes/fake_platform.h"
#include "song_list_helpers.h"
#include "songlist/folder_list.h"

#include <QCheckBox>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

// Esc during a search: the songs found so far make the list, and the first of them plays.

namespace fs = std::filesystem;

class TestSearchEscape : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void escapeStopsTheSearchAndPlaysWhatWasFound_data()
    {
        QTest::addColumn<QString>("pressedOn");
        QTest::addColumn<bool>("random");
        QTest::addColumn<bool>("stops");
        QTest::newRow("progress window") << "frmSplash" << false << true;
        QTest::newRow("progress window, random order") << "frmSplash" << true << true;
        // The main window kept the focus it had when the button was pressed.
        QTest::newRow("hidden main window") << "cmdGetFiles" << false << true;
        QTest::newRow("popup menu") << "mnuPopup" << false << false;
    }

    void escapeStopsTheSearchAndPlaysWhatWasFound()
    {
        QFETCH(QString, pressedOn);
        QFETCH(bool, random);
        QFETCH(bool, stops);
        QTemporaryDir dir;
        const std::string root = dir.path().toStdString();
        FakePlatform fakes;
        frmMain window(fakes.platform);
        window.DirTree->setPath(root);
        for (int i = 0; i < 40; ++i)
            touch(fs::path(root) / ("d" + std::to_string(i % 10)) / (std::to_string(i) + ".mp3"));
        window.chkRandom->setChecked(random);
        // Esc while no search runs stops nothing, neither this search nor the next.
        QTest::keyClick(window.cmdGetFiles, Qt::Key_Escape);

        bool pressed = false;
        fakes.eventLoop.onYield = [&] {
            if (pressed || window.FoundCount < 8)
                return;
            pressed = true;
            QWidget *target = pressedOn == QStringLiteral("frmSplash")
                ? static_cast<QWidget *>(window.splash())
                : window.findChild<QWidget *>(pressedOn);
            QVERIFY(target);
            QTest::keyClick(target, Qt::Key_Escape);
        };
        window.cmdGetFiles_Click();
        fakes.eventLoop.onYield = nullptr;
        QTest::keyClick(window.cmdGetFiles, Qt::Key_Escape);

        QVERIFY(pressed);
        const std::vector<std::string> found = foundPaths(window);
        QCOMPARE(found.size() < 40, stops);
        QVERIFY(found.size() >= 8);
        QCOMPARE(window.FoundCount, static_cast<int32_t>(found.size()));
        // The list is what the command makes of those songs, whole.
        QCOMPARE(window.SongList->ListCount(), window.FoundCount);
        if (random) {
            QCOMPARE(window.ShuffleOrder.size(), found.size());
            QCOMPARE(window.SongPaths.back(), found.front());
            for (size_t i = 0; i < found.size(); ++i)
                QCOMPARE(window.SongPaths[i], found[static_cast<size_t>(window.ShuffleOrder[i])]);
        } else {
            QCOMPARE(window.SongPaths, found);
        }
        QCOMPARE(window.SongList->ListIndex(), 0);
        QCOMPARE(fakes.player.fileName, fs::path(window.SongPaths.front()));
        QVERIFY(fakes.player.playing);
        QVERIFY(transportEnabled(window, true));
        QCOMPARE(window.splash(), nullptr);
        QVERIFY(window.isVisible());
        QVERIFY(fakes.messageBox.shown.empty());

        // The next command is not stopped by anything of this one.
        window.cmdGetFiles_Click();
        QCOMPARE(window.FoundCount, 40);
    }
};

QTEST_MAIN(TestSearchEscape)
#include "test_search_escape.moc"
