#include "settings/profile_storage.h"
#include "settings/profile_text.h"
#include "settings_window_fixture.h"
#include "songlist/drive_list.h"
#include "songlist/folder_list.h"

#include <QPushButton>

#include <random>

#include <sys/stat.h>

// What a start reads from the settings file, good or bad.
class SettingsWindowTest : public QObject, SettingsWindowFixture {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { useTestConfigFolder(); }
    void init() { setUp(); }
    void cleanup() { tearDown(); }
    void loadsAttributes_data();
    void loadsAttributes();
    void loadsDriveAndFolder_data();
    void loadsDriveAndFolder();
    void badFilesGiveDefaultsAndAreReplaced_data();
    void badFilesGiveDefaultsAndAreReplaced();
};

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

QTEST_MAIN(SettingsWindowTest)
#include "test_settings_window.moc"
