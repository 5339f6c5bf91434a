#include "app/main_window.h"
#include "app/session_end.h"
#include "fakes/fake_platform.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

class StartupShutdownTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void secondInstanceEndsWithoutLoadingAnything();
    void startBuildsTheSettingsPath();
    void failingStepSkipsTheRestAndIsReportedOnce();
    void closeBoxHidesIntoTheTray();
    void closeByCodeUnloadsAndEnds();
    void endButtonAndMenuItemEndTheProgram();
    void systemUnloadRunsOnceWhateverFollows();
    void logoutSavesAtCommitAndEndsOnlyAtTheEnd_data();
    void logoutSavesAtCommitAndEndsOnlyAtTheEnd();

private:
    QTemporaryDir *m_folder = nullptr;
    FakePlatform *m_fakes = nullptr;
    frmMain *m_window = nullptr;
};

void StartupShutdownTest::init()
{
    m_folder = new QTemporaryDir;
    m_fakes = new FakePlatform;
    m_fakes->process.folder = m_folder->path().toStdString();
    m_window = new frmMain(m_fakes->platform);
}

void StartupShutdownTest::cleanup()
{
    delete m_window;
    delete m_fakes;
    delete m_folder;
}

void StartupShutdownTest::secondInstanceEndsWithoutLoadingAnything()
{
    m_fakes->instanceGuard.anotherRunning = true;
    QVERIFY(!m_window->Form_Load());
    QCOMPARE(m_fakes->messageBox.shown.size(), size_t(1));
    QCOMPARE(m_fakes->messageBox.shown[0].icon, MessageBoxService::Icon::None);
    QCOMPARE(m_fakes->messageBox.shown[0].text, QStringLiteral("既に起動されています"));
    QCOMPARE(m_fakes->process.endedWith, std::vector<int>{0});
    QVERIFY(m_fakes->tray.messages.empty());
    QVERIFY(m_window->IniPath.empty());
    QVERIFY(QDir(m_folder->path()).entryList(QDir::Files).isEmpty());
    QVERIFY(!m_window->isVisible());
}

void StartupShutdownTest::startBuildsTheSettingsPath()
{
    QVERIFY(m_window->Form_Load());
    QCOMPARE(QString::fromStdString(m_window->IniPath.native()),
             m_folder->path() + QStringLiteral("/Brenlowick.ini"));
    QVERIFY(m_fakes->messageBox.shown.empty());
    QVERIFY(m_fakes->process.endedWith.empty());
    QVERIFY(!m_window->inTrayMode());
}

void StartupShutdownTest::failingStepSkipsTheRestAndIsReportedOnce()
{
    m_fakes->process.folderError = ErrNo::PathNotFound;
    QVERIFY(m_window->Form_Load());
    QCOMPARE(m_fakes->messageBox.shown.size(), size_t(1));
    QCOMPARE(m_fakes->messageBox.shown[0].icon, MessageBoxService::Icon::Critical);
    QVERIFY(m_fakes->messageBox.shown[0].text.startsWith(
        QStringLiteral("エラーが発生しました。\r\n\r\nエラー番号：76\r\n")));
    // Nothing after the failing step ran: no settings path, no tray icon.
    QVERIFY(m_window->IniPath.empty());
    QVERIFY(m_fakes->tray.messages.empty());
    QVERIFY(m_fakes->process.endedWith.empty());
}

void StartupShutdownTest::closeBoxHidesIntoTheTray()
{
    QVERIFY(m_window->Form_Load());
    m_window->show();
    int16_t cancel = 0;
    m_window->Form_QueryUnload(cancel, 0);
    QCOMPARE(cancel, int16_t(1));
    QVERIFY(!m_window->isVisible());
    QVERIFY(m_window->inTrayMode());
    QVERIFY(m_fakes->process.endedWith.empty());
    QVERIFY(!QFile::exists(m_folder->filePath(QStringLiteral("Brenlowick.ini"))));

    // Any other reason lets the unload go ahead untouched.
    cancel = 0;
    m_window->leaveTrayMode();
    m_window->Form_QueryUnload(cancel, 1);
    QCOMPARE(cancel, int16_t(0));
    QVERIFY(m_window->isVisible());
}

void StartupShutdownTest::closeByCodeUnloadsAndEnds()
{
    QVERIFY(m_window->Form_Load());
    m_window->show();
    QVERIFY(m_window->close());
    QCOMPARE(m_fakes->process.endedWith, std::vector<int>{0});
}

void StartupShutdownTest::endButtonAndMenuItemEndTheProgram()
{
    QVERIFY(m_window->Form_Load());
    m_window->show();
    m_window->cmdEnd->click();
    QCOMPARE(m_fakes->process.endedWith, std::vector<int>{0});
    m_window->mnuEnd->trigger();
    QCOMPARE(m_fakes->process.endedWith, (std::vector<int>{0, 0}));
    QVERIFY(m_fakes->messageBox.shown.empty());
}

void StartupShutdownTest::systemUnloadRunsOnceWhateverFollows()
{
    QVERIFY(m_window->Form_Load());
    const size_t trayCallsBefore = m_fakes->tray.messages.size();
    m_window->unloadBySystem();
    m_window->unloadBySystem();
    m_window->cmdEnd_Click();
    const size_t deletes = std::count(m_fakes->tray.messages.begin() + trayCallsBefore,
                                      m_fakes->tray.messages.end(), TrayMessage::Delete);
    QCOMPARE(deletes, size_t(1));
    QCOMPARE(m_fakes->process.endedWith.size(), size_t(3));
}

void StartupShutdownTest::logoutSavesAtCommitAndEndsOnlyAtTheEnd_data()
{
    QTest::addColumn<bool>("inTray");
    QTest::newRow("window shown") << false;
    QTest::newRow("window in the tray") << true;
}

void StartupShutdownTest::logoutSavesAtCommitAndEndsOnlyAtTheEnd()
{
    QFETCH(bool, inTray);
    const QString ini = m_folder->filePath(QStringLiteral("Brenlowick.ini"));
    const auto storedSizeState = [&ini] {
        QFile file(ini);
        return file.open(QIODevice::ReadOnly) && file.readAll().contains("FORMEXPAND=1");
    };
    SessionEnd sessionEnd(*qApp, *m_window);
    QVERIFY(m_window->Form_Load());
    m_window->show();
    m_window->cmdFormExpand->click(); // medium, stored one step back as 1
    if (inTray) {
        int16_t cancel = 0;
        m_window->Form_QueryUnload(cancel, 0);
    }

    // The session manager asks for the data, and then another program cancels the logout.
    m_window->commitSessionData();
    QVERIFY(storedSizeState());
    QVERIFY(m_fakes->process.endedWith.empty());
    QVERIFY(m_fakes->tray.iconShown);
    QCOMPARE(m_window->FormExpand, int16_t(2));
    QCOMPARE(m_window->inTrayMode(), inTray);

    // The next logout goes through: the toolkit turns its end into a Quit on the application.
    m_window->commitSessionData();
    QFile::remove(ini);
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(qApp, &quit);
    QCOMPARE(m_fakes->process.endedWith, std::vector<int>{0});
    QVERIFY(storedSizeState());
    QCOMPARE(std::count(m_fakes->tray.messages.begin(), m_fakes->tray.messages.end(),
                        TrayMessage::Delete),
             1);
}

QTEST_MAIN(StartupShutdownTest)
#include "test_startup_shutdown.moc"
