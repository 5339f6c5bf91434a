#include "settings/profile_storage.h"
#include "settings/profile_text.h"
#include "settings_window_fixture.h"
#include "songlist/folder_list.h"

#include <QPushButton>

#include <sys/stat.h>

// What the end of a run writes into the settings file, and what the next start makes of it.
class SettingsSavedTest : public QObject, SettingsWindowFixture {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { useTestConfigFolder(); }
    void init() { setUp(); }
    void cleanup() { tearDown(); }
    void firstStartWritesEveryKey();
    void savesOverTheOldFile();
    void comesBackAsItEnded_data();
    void comesBackAsItEnded();
    void positionUnknownKeepsTheFilesPosition_data();
    void positionUnknownKeepsTheFilesPosition();
    void nowhereToWriteIsSilent();
};

void SettingsSavedTest::firstStartWritesEveryKey()
{
    fs::remove(m_ini);
    QVERIFY(m_window->Form_Load());
    QCOMPARE(m_window->FormExpand, int16_t(1));
    QVERIFY(qAbs(m_window->windowOuterHeight() - 1590) <= 7.5);
    // Centred for the compact outline: (11520 - 1590) / 2 and (15360 - 3975) / 2 = 5692.5,
    // which goes to the even 5692, the nearest pixel of which is 379 (5685 twips).
    QCOMPARE(m_window->windowTop(), 4965.0);
    QCOMPARE(m_window->windowLeft(), 5685.0);
    QCOMPARE(optionsOf(*m_window), QStringLiteral("00100"));
    m_window->cmdEnd_Click();
    QCOMPARE(contentOf(m_ini),
        "[FILE]\nDRIVE=/\nFILEPATH=" + m_program.native()
            + "\n[ATTRIBUTE]\nFORMEXPAND=3\nFORMTOP=4965\n"
              "FORMLEFT=5685\nRANDOM=0\nPLAYREPEAT=0\nPLAYLOOP=1\n"
              "AUTOPLAY=0\nMINIMUM=0\n");
}

void SettingsSavedTest::savesOverTheOldFile()
{
    // Other lines, sections and the file's line endings stay; the ten keys take new values.
    writeFile(m_ini, "; notes\r\n[OTHER]\r\nX=1\r\n[ATTRIBUTE]\r\nFORMTOP=100\r\n");
    m_window->DirTree->setPath(m_program);
    m_window->setWindowTop(-600);
    m_window->setWindowLeft(1500);
    m_window->chkRandom->setChecked(true);
    m_window->FormExpand = 2;
    m_window->SaveSettings();
    QCOMPARE(m_window->FormExpand, int16_t(1));
    QCOMPARE(contentOf(m_ini),
        "; notes\r\n[OTHER]\r\nX=1\r\n[ATTRIBUTE]\r\nFORMTOP=-600\r\n"
        "FORMEXPAND=1\r\nFORMLEFT=1500\r\nRANDOM=1\r\nPLAYREPEAT=0\r\n"
        "PLAYLOOP=1\r\nAUTOPLAY=0\r\nMINIMUM=0\r\n[FILE]\r\nDRIVE=/\r\n"
        "FILEPATH="
            + m_program.native() + "\r\n");
}

void SettingsSavedTest::comesBackAsItEnded_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("inTray");
    QTest::addColumn<bool>("userFolder");
    QTest::newRow("compact") << 1 << 3 << false << false;
    QTest::newRow("medium") << 2 << 1 << false << false;
    QTest::newRow("full") << 3 << 2 << false << false;
    QTest::newRow("medium, ended from the tray") << 2 << 1 << true << false;
    QTest::newRow("program folder not writable") << 2 << 1 << false << true;
}

void SettingsSavedTest::comesBackAsItEnded()
{
    QFETCH(int, state);
    QFETCH(int, stored);
    QFETCH(bool, inTray);
    QFETCH(bool, userFolder);
    if (userFolder) {
        // A directory in the file's place stands for a folder the program cannot write to.
        fs::create_directory(m_ini);
    }
    const fs::path music = fs::path(m_dir->path().toStdString()) / "\xe9t\xe9 music";
    fs::create_directories(music);

    QVERIFY(m_window->Form_Load());
    m_window->show();
    m_window->setWindowTop(1500);
    m_window->setWindowLeft(-300);
    m_window->DirTree->setPath(music);
    m_window->chkPlayLoop->setChecked(false);
    for (int press = 1; press < state; ++press)
        m_window->cmdFormExpand->click();
    QCOMPARE(m_window->FormExpand, int16_t(state));
    if (inTray)
        m_window->enterTrayMode();
    m_window->cmdEnd_Click();
    const fs::path written = userFolder ? userSettingsPath() : m_ini;
    QCOMPARE(ProfileText(contentOf(written)).readInteger("ATTRIBUTE", "FORMEXPAND", 0), stored);

    restart();
    QVERIFY(m_window->Form_Load());
    QCOMPARE(m_window->FormExpand, int16_t(state));
    const double heights[] = {1590, 3135, 7365};
    QVERIFY(qAbs(m_window->windowOuterHeight() - heights[state - 1]) <= 7.5);
    QCOMPARE(m_window->windowTop(), 1500.0);
    QCOMPARE(m_window->windowLeft(), -300.0);
    QCOMPARE(m_window->DirTree->path(), music);
    QCOMPARE(optionsOf(*m_window), QStringLiteral("00000"));
    QVERIFY(m_fakes->messageBox.shown.empty());
}

void SettingsSavedTest::positionUnknownKeepsTheFilesPosition_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("kept");
    QTest::newRow("positions of an earlier X11 session") << QByteArray(
        "FORMTOP=1500\nFORMLEFT=-300\n") << QByteArray("FORMTOP=1500\nFORMLEFT=-300\n");
    QTest::newRow("no position yet: centred")
        << QByteArray() << QByteArray("FORMTOP=0\nFORMLEFT=0\n");
}

// A Wayland compositor places the window itself: what the toolkit reports as its position is
// made up, and must not replace the position the file holds. The size state is kept as always.

void SettingsSavedTest::positionUnknownKeepsTheFilesPosition()
{
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, kept);
    writeFile(m_ini, "[ATTRIBUTE]\nFORMEXPAND=3\n" + stored.toStdString());
    m_fakes->placement.known = false;
    QVERIFY(m_window->Form_Load());
    m_window->show();
    // What the toolkit reports there: its own frame's margins, as a position.
    m_window->move(-3, -30);
    m_window->cmdFormExpand->click();
    m_window->cmdEnd_Click();
    const ProfileText written(contentOf(m_ini));
    const auto value
        = [&](const char *key) { return written.readText("ATTRIBUTE", key, "missing", 64); };
    QCOMPARE(QByteArray::fromStdString(
                 "FORMTOP=" + value("FORMTOP") + "\nFORMLEFT=" + value("FORMLEFT") + "\n"),
        kept);
    QCOMPARE(value("FORMEXPAND"), std::string("1"));
}

void SettingsSavedTest::nowhereToWriteIsSilent()
{
    fs::create_directory(m_ini);
    // The user's configuration folder cannot be made either: a file stands in its way.
    fs::create_directories(userSettingsPath().parent_path().parent_path());
    writeFile(userSettingsPath().parent_path(), "in the way");
    m_window->FormExpand = 1;
    m_window->SaveSettings();
    QVERIFY(fs::is_directory(m_ini));
    QVERIFY(fs::is_empty(m_ini));
    QCOMPARE(contentOf(userSettingsPath().parent_path()), std::string("in the way"));
    QVERIFY(m_fakes->messageBox.shown.empty());
}

QTEST_MAIN(SettingsSavedTest)
#include "test_settings_saved.moc"
