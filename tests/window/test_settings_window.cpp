#include "app/main_window.h"
#include "fakes/fake_platform.h"
#include "settings/profile_storage.h"
#include "settings/profile_text.h"
#include "settings/settings_location.h"
#include "songlist/drive_list.h"
#include "songlist/folder_list.h"

#include <QCheckBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <random>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string contentOf(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A folder whose full path is exactly length bytes long.
fs::path folderOfLength(const fs::path &base, std::size_t length)
{
    std::string path = base.native();
    while (path.size() < length) {
        const std::size_t part = std::min<std::size_t>(200, length - path.size() - 1);
        path += '/' + std::string(std::max<std::size_t>(part, 1), 'd');
    }
    fs::create_directories(path);
    return path;
}

QString optionsOf(const frmMain &window)
{
    QString options;
    for (const QCheckBox *box : {window.chkRandom, window.chkPlayRepeat, window.chkPlayLoop,
             window.chkAutoPlay, window.chkMinimum})
        options += box->isChecked() ? '1' : '0';
    return options;
}

} // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void firstStartWritesEveryKey();
    void loadsAttributes_data();
    void loadsAttributes();
    void loadsDriveAndFolder_data();
    void loadsDriveAndFolder();
    void savesOverTheOldFile();
    void comesBackAsItEnded_data();
    void comesBackAsItEnded();
    void positionUnknownKeepsTheFilesPosition_data();
    void positionUnknownKeepsTheFilesPosition();
    void badFilesGiveDefaultsAndAreReplaced_data();
    void badFilesGiveDefaultsAndAreReplaced();
    void nowhereToWriteIsSilent();

private:
    void restart()
    {
        m_window = std::make_unique<frmMain>(m_fakes->platform);
        m_window->IniPath = m_ini;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakePlatform> m_fakes;
    std::unique_ptr<frmMain> m_window;
    fs::path m_program;
    fs::path m_ini;
};

void SettingsWindowTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(userSettingsPath().native().find("/.qttest/") != std::string::npos);
}

void SettingsWindowTest::init()
{
    fs::remove_all(userSettingsPath().parent_path());
    m_dir = std::make_unique<QTemporaryDir>();
    m_program = fs::path(m_dir->path().toStdString()) / "program";
    fs::create_directories(m_program);
    m_ini = settingsPathFor(m_program);
    m_fakes = std::make_unique<FakePlatform>();
    m_fakes->process.folder = m_program;
    restart();
}

void SettingsWindowTest::cleanup()
{
    m_window.reset();
    m_fakes.reset();
    fs::remove_all(userSettingsPath().parent_path());
    // QTemporaryDir cannot remove names that are not UTF-8.
    fs::remove_all(m_dir->path().toStdString());
}

void SettingsWindowTest::firstStartWritesEveryKey()
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

void SettingsWindowTest::loadsAttributes_data()
{
    QTest::addColumn<QByteArray>("attributes");
    QTest::addColumn<int>("screenWidth");
    QTest::addColumn<int>("screenHeight");
    QTest::addColumn<int>("expand");
    QTest::addColumn<double>("top");
    QTest::addColumn<double>("left");
    QTest::addColumn<QString>("options");

    // The screen is 15360 x 11520 twips unless a row says otherwise; the window stands at
    // 1500, 1500 before the load, which shows in a step that fails.
    const auto row = [](const char *name, const QByteArray &attributes, int expand, double top,
                         double left, const char *options, int width = 1024, int height = 768) {
        QTest::newRow(name) << attributes << width << height << expand << top << left
                            << QString::fromLatin1(options);
    };
    row("no keys", "", 3, 4965, 5685, "00100");
    row("FORMEXPAND 7 acts as 3", "FORMEXPAND=7", 3, 4965, 5685, "00100");
    row("FORMEXPAND 0 acts as 3", "FORMEXPAND=0", 3, 4965, 5685, "00100");
    row("FORMEXPAND empty acts as 3", "FORMEXPAND=", 3, 4965, 5685, "00100");
    row("FORMEXPAND 1 kept", "FORMEXPAND=1", 1, 4965, 5685, "00100");
    row("FORMEXPAND 2 kept", "FORMEXPAND=2", 2, 4965, 5685, "00100");
    row("FORMTOP 0 centres", "FORMTOP=0", 3, 4965, 5685, "00100");
    row("FORMTOP at the limit centres", "FORMTOP=9930", 3, 4965, 5685, "00100");
    row("FORMTOP below the limit kept", "FORMTOP=9915", 3, 9915, 5685, "00100");
    row("FORMTOP beyond the limit centres", "FORMTOP=30000", 3, 4965, 5685, "00100");
    row("FORMTOP negative kept", "FORMTOP=-600", 3, -600, 5685, "00100");
    row("FORMLEFT at the limit centres", "FORMLEFT=11385", 3, 4965, 5685, "00100");
    row("FORMLEFT below the limit kept", "FORMLEFT=11370", 3, 4965, 11370, "00100");
    row("FORMLEFT negative kept", "FORMLEFT=-1500", 3, 4965, -1500, "00100");
    row("names in lower case, spaced", "  formtop = 3000 \n formleft=\"4500\"", 3, 3000, 4500,
        "00100");
    row("RANDOM=2 reads 0", "RANDOM=2", 3, 4965, 5685, "00100");
    row("PLAYLOOP=5 reads 1", "PLAYLOOP=5", 3, 4965, 5685, "00100");
    row("PLAYLOOP empty reads 0", "PLAYLOOP=", 3, 4965, 5685, "00000");
    row("every option on", "RANDOM=1\nPLAYREPEAT=1\nPLAYLOOP=0\nAUTOPLAY=1\nMINIMUM=1", 3, 4965,
        5685, "11011");
    row("centre too far right to hold", "", 3, 4965, 1500, "00100", 5000, 768);
    row("centre too far down to hold", "", 3, 1500, 5685, "00100", 1024, 5000);
    row("no centring needed on a wide screen", "FORMLEFT=3000", 3, 4965, 3000, "00100", 5000);
}

void SettingsWindowTest::loadsAttributes()
{
    QFETCH(QByteArray, attributes);
    QFETCH(int, screenWidth);
    QFETCH(int, screenHeight);
    QFETCH(int, expand);
    QFETCH(double, top);
    QFETCH(double, left);
    QFETCH(QString, options);
    m_fakes->screen.widthPixels = screenWidth;
    m_fakes->screen.heightPixels = screenHeight;
    m_window->setWindowTop(1500);
    m_window->setWindowLeft(1500);
    writeFile(m_ini, "[ATTRIBUTE]\n" + attributes.toStdString() + "\n");
    m_window->LoadSettings();
    QCOMPARE(m_window->FormExpand, int16_t(expand));
    QCOMPARE(m_window->windowTop(), top);
    QCOMPARE(m_window->windowLeft(), left);
    QCOMPARE(optionsOf(*m_window), options);
    // The repeat box's value came in as a click, which settles the loop box.
    QCOMPARE(m_window->chkPlayLoop->isEnabled(), !m_window->chkPlayRepeat->isChecked());
    QVERIFY(m_fakes->messageBox.shown.empty());
}

void SettingsWindowTest::loadsDriveAndFolder_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("drive");
    QTest::addColumn<QString>("folder");
    // <music> is an existing folder, <gone> a deleted one, <program> the program's folder,
    // <bytes> a folder whose name is not UTF-8, <127> and <1023> folders with paths of exactly
    // that many bytes.
    QTest::newRow("saved folder") << QByteArray("FILEPATH=<music>") << "/"
                                  << "<music>";
    QTest::newRow("deleted folder") << QByteArray("FILEPATH=<gone>") << "/"
                                    << "<program>";
    QTest::newRow("empty folder") << QByteArray("FILEPATH=") << "/"
                                  << "<program>";
    QTest::newRow("no folder") << QByteArray("X=1") << "/"
                               << "<program>";
    QTest::newRow("folder name not UTF-8") << QByteArray("FILEPATH=<bytes>") << "/"
                                           << "<bytes>";
    QTest::newRow("saved drive") << QByteArray("DRIVE=<music>\nFILEPATH=<music>") << "<music>"
                                 << "<music>";
    QTest::newRow("missing drive fails the good folder too")
        << QByteArray("DRIVE=<gone>\nFILEPATH=<music>") << "/"
        << "<program>";
    QTest::newRow("folder cut to 1023 bytes") << QByteArray("FILEPATH=<1023>/beyond") << "/"
                                              << "<1023>";
    QTest::newRow("drive cut to 127 bytes")
        << QByteArray("DRIVE=<127>/beyond\nFILEPATH=<music>") << "<127>"
        << "<music>";
}

void SettingsWindowTest::loadsDriveAndFolder()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, drive);
    QFETCH(QString, folder);
    const fs::path base = m_dir->path().toStdString();
    fs::create_directories(base / "music");
    fs::create_directories(base / "\xff\xfe folder");
    const std::map<std::string, fs::path> tokens = {{"<music>", base / "music"},
        {"<gone>", base / "gone"}, {"<program>", m_program}, {"<bytes>", base / "\xff\xfe folder"},
        {"<127>", folderOfLength(base, 127)}, {"<1023>", folderOfLength(base, 1023)}};
    const auto expand = [&](std::string text) {
        for (const auto &[token, path] : tokens) {
            for (std::size_t at; (at = text.find(token)) != std::string::npos;)
                text.replace(at, token.size(), path.native());
        }
        return text;
    };
    writeFile(m_ini, "[FILE]\n" + expand(file.toStdString()) + "\n");
    m_window->LoadSettings();
    QCOMPARE(m_window->Drive->drive().native(), expand(drive.toStdString()));
    QCOMPARE(m_window->DirTree->path().native(), expand(folder.toStdString()));
    QVERIFY(m_fakes->messageBox.shown.empty());
}

void SettingsWindowTest::savesOverTheOldFile()
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

void SettingsWindowTest::comesBackAsItEnded_data()
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

void SettingsWindowTest::comesBackAsItEnded()
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

void SettingsWindowTest::positionUnknownKeepsTheFilesPosition_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("kept");
    QTest::newRow("positions of an earlier X11 session")
        << QByteArray("FORMTOP=1500\nFORMLEFT=-300\n") << QByteArray("FORMTOP=1500\nFORMLEFT=-300\n");
    QTest::newRow("no position yet: centred") << QByteArray() << QByteArray("FORMTOP=0\nFORMLEFT=0\n");
}

// A Wayland compositor places the window itself: what the toolkit reports as its position is
// made up, and must not replace the position the file holds. The size state is kept as always.
void SettingsWindowTest::positionUnknownKeepsTheFilesPosition()
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
    const auto value = [&](const char *key) {
        return written.readText("ATTRIBUTE", key, "missing", 64);
    };
    QCOMPARE(QByteArray::fromStdString(
                 "FORMTOP=" + value("FORMTOP") + "\nFORMLEFT=" + value("FORMLEFT") + "\n"),
        kept);
    QCOMPARE(value("FORMEXPAND"), std::string("1"));
}

void SettingsWindowTest::badFilesGiveDefaultsAndAreReplaced_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("valuesRead");
    QTest::newRow("binary garbage") << "binary" << false;
    QTest::newRow("megabytes of text") << "megabytes" << false;
    QTest::newRow("directory") << "directory" << false;
    QTest::newRow("dangling link") << "dangling" << false;
    QTest::newRow("named pipe") << "fifo" << false;
    QTest::newRow("no newline at the end") << "no newline" << true;
    QTest::newRow("one NUL byte among good lines") << "nul" << false;
    QTest::newRow("50 MB, the values at its end") << "50 MB" << true;
}

void SettingsWindowTest::badFilesGiveDefaultsAndAreReplaced()
{
    QFETCH(QString, kind);
    QFETCH(bool, valuesRead);
    std::mt19937 random(7);
    std::string garbage;
    if (kind == "binary") {
        for (int i = 0; i < 65536; ++i)
            garbage += static_cast<char>(random() & 0xff);
        writeFile(m_ini, "[ATTRIBUTE]\nPLAYLOOP=0\n" + garbage);
    } else if (kind == "megabytes") {
        for (int i = 0; i < 6 << 20; ++i)
            garbage += static_cast<char>(1 + random() % 255);
        writeFile(m_ini, garbage);
    } else if (kind == "directory") {
        fs::create_directory(m_ini);
    } else if (kind == "dangling") {
        fs::create_symlink(m_program / "gone" / "Brenlowick.ini", m_ini);
    } else if (kind == "fifo") {
        QCOMPARE(::mkfifo(m_ini.c_str(), 0644), 0);
    } else if (kind == "nul") {
        writeFile(m_ini, std::string("[ATTRIBUTE]\nFORMEXPAND=1\nPLAYLOOP=0\n;\0\n", 39));
    } else if (kind == "50 MB") {
        const std::string comment = "; " + std::string(97, 'x') + "\n";
        garbage.reserve(std::size_t(50) << 20);
        while (garbage.size() < (std::size_t(50) << 20))
            garbage += comment;
        writeFile(m_ini, garbage + "[ATTRIBUTE]\nFORMEXPAND=1\nPLAYLOOP=0");
    } else {
        writeFile(m_ini, "[ATTRIBUTE]\nFORMEXPAND=1\nPLAYLOOP=0");
    }

    QVERIFY(m_window->Form_Load());
    QCOMPARE(m_window->FormExpand, int16_t(valuesRead ? 2 : 1));
    QCOMPARE(m_window->chkPlayLoop->isChecked(), !valuesRead);
    QCOMPARE(m_window->windowTop(), 4965.0);
    m_window->cmdEnd_Click();
    QVERIFY(m_fakes->messageBox.shown.empty());

    // The next end leaves a text file that holds every key; a file that was not one is gone.
    const bool replacedAside = kind == "directory" || kind == "fifo";
    const auto bytes = readProfileBytes(replacedAside ? userSettingsPath() : m_ini);
    QVERIFY(bytes.has_value());
    const ProfileText saved(*bytes);
    QCOMPARE(saved.readInteger("ATTRIBUTE", "FORMEXPAND", 0), valuesRead ? 1 : 3);
    QCOMPARE(saved.readInteger("ATTRIBUTE", "PLAYLOOP", -1), valuesRead ? 0 : 1);
    QCOMPARE(saved.readText("FILE", "FILEPATH", "", 1024), m_program.native());
    if (kind == "binary" || kind == "dangling")
        QCOMPARE(bytes->substr(0, 7), std::string("[FILE]\n"));
    if (kind == "megabytes" || kind == "50 MB")
        QCOMPARE(bytes->substr(0, garbage.size()), garbage);
}

void SettingsWindowTest::nowhereToWriteIsSilent()
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

QTEST_MAIN(SettingsWindowTest)
#include "test_settings_window.moc"
