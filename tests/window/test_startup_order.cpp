#include "app/main_window.h"
#include "fakes/fake_platform.h"
#include "songlist/song_list_view.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

// Start-up as a whole, on a real settings file and a real music folder: each step sees what the
// steps before it left, and the tray icon comes last.
class StartupOrderTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void autoPlayThenMinimiseThenTrayIcon();
    void plainStartShowsCompactWindowWithDefaults();
    void repeatOptionDisablesTheLoopBoxAtStart();
    void endWritesTheSettingsOnceBeforeTheIconGoes();

private:
    void writeSettings(const QByteArray &attributes);
    QTemporaryDir *m_program = nullptr;
    QTemporaryDir *m_music = nullptr;
    FakePlatform *m_fakes = nullptr;
    frmMain *m_window = nullptr;
};

void StartupOrderTest::init()
{
    m_program = new QTemporaryDir;
    m_music = new QTemporaryDir;
    for (const char *name : {"one.mp3", "two.mp3"}) {
        QFile song(m_music->filePath(QLatin1String(name)));
        QVERIFY(song.open(QIODevice::WriteOnly));
    }
    m_fakes = new FakePlatform;
    m_fakes->process.folder = m_program->path().toStdString();
    m_window = new frmMain(m_fakes->platform);
}

void StartupOrderTest::cleanup()
{
    delete m_window;
    delete m_fakes;
    delete m_music;
    delete m_program;
}

void StartupOrderTest::writeSettings(const QByteArray &attributes)
{
    QFile ini(m_program->filePath(QStringLiteral("Brenlowick.ini")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[FILE]\nDRIVE=/\nFILEPATH=" + m_music->path().toUtf8() + "\n[ATTRIBUTE]\n"
              + attributes);
}

void StartupOrderTest::autoPlayThenMinimiseThenTrayIcon()
{
    writeSettings("AUTOPLAY=1\nMINIMUM=1\n");
    bool hiddenWhenIconAdded = false;
    QStringList playerCallsWhenIconAdded;
    m_fakes->tray.onNotify = [&](int32_t message) {
        if (message != TrayMessage::Add)
            return;
        hiddenWhenIconAdded = !m_window->isVisible() && m_window->inTrayMode();
        playerCallsWhenIconAdded = m_fakes->player.calls;
    };
    QVERIFY(m_window->Form_Load());

    // The get-files command ran before the window went to the tray, and the first song plays.
    QVERIFY(playerCallsWhenIconAdded.contains(QStringLiteral("Play")));
    QVERIFY(hiddenWhenIconAdded);
    QCOMPARE(m_fakes->tray.messages, std::vector<int32_t>{TrayMessage::Add});
    QCOMPARE(m_window->SongList->ListCount(), 2);
    QVERIFY(!m_window->isVisible());
    QVERIFY(m_fakes->messageBox.shown.empty());
}

void StartupOrderTest::plainStartShowsCompactWindowWithDefaults()
{
    QVERIFY(m_window->Form_Load());
    // No file: the size step ran once after loading (3 stored → compact), loop on, list empty.
    QCOMPARE(m_window->FormExpand, int16_t(1));
    QCOMPARE(m_window->windowOuterHeight(), 1590.0);
    QVERIFY(m_window->chkPlayLoop->isChecked());
    QVERIFY(m_window->chkPlayLoop->isEnabled());
    QCOMPARE(m_window->SongList->ListCount(), 0);
    QVERIFY(!m_window->SongList->isEnabled());
    QVERIFY(m_fakes->player.calls.isEmpty());
    QCOMPARE(m_fakes->tray.messages, std::vector<int32_t>{TrayMessage::Add});
    QVERIFY(!m_window->inTrayMode());
}

void StartupOrderTest::repeatOptionDisablesTheLoopBoxAtStart()
{
    writeSettings("PLAYREPEAT=1\nPLAYLOOP=1\n");
    QVERIFY(m_window->Form_Load());
    QVERIFY(m_window->chkPlayRepeat->isChecked());
    QVERIFY(m_window->chkPlayLoop->isChecked());
    QVERIFY(!m_window->chkPlayLoop->isEnabled());
}

void StartupOrderTest::endWritesTheSettingsOnceBeforeTheIconGoes()
{
    QVERIFY(m_window->Form_Load());
    const QString iniPath = m_program->filePath(QStringLiteral("Brenlowick.ini"));
    bool savedWhenIconDeleted = false;
    m_fakes->tray.onNotify = [&](int32_t message) {
        if (message == TrayMessage::Delete)
            savedWhenIconDeleted = QFile::exists(iniPath);
    };
    m_window->cmdEnd_Click();
    QVERIFY(savedWhenIconDeleted);
    QCOMPARE(m_fakes->process.endedWith, std::vector<int>{0});

    // A later system unload (a signal arriving late) must not write the file a second time.
    QVERIFY(QFile::remove(iniPath));
    m_window->unloadBySystem();
    QVERIFY(!QFile::exists(iniPath));
}

QTEST_MAIN(StartupOrderTest)
#include "test_startup_order.moc"
