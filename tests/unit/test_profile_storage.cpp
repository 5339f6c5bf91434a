#include "settings/drive_of_folder.h"
#include "settings/profile_storage.h"
#include "settings/settings_location.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <ctime>
#include <fstream>
#include <random>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

QStringList folderEntries(const fs::path &folder)
{
    QStringList names;
    for (const auto &entry : fs::directory_iterator(folder))
        names << QString::fromStdString(entry.path().filename().native());
    names.sort();
    return names;
}

// Runs body in a child process and returns its wait status, so a test can kill a writer or
// limit its file size without touching the test process itself.
int runInChild(const std::function<void()> &body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

// The n-th version a writer saves: large enough to take several writes, and marked throughout,
// so that a mix of two versions or a cut-off one cannot pass for a whole one.
std::string versionText(int version)
{
    std::string text = "[FILE]\nVERSION=" + std::to_string(version) + "\n";
    while (text.size() < 96 * 1024)
        text += "KEY" + std::to_string(text.size()) + "=" + std::to_string(version) + "\n";
    return text + "END=" + std::to_string(version) + "\n";
}

// Which version these bytes are, or -1 when they are not exactly one of them.
int versionOf(const std::string &bytes)
{
    const std::string prefix = "[FILE]\nVERSION=";
    if (!bytes.starts_with(prefix))
        return -1;
    const int version = std::atoi(bytes.c_str() + prefix.size());
    return bytes == versionText(version) ? version : -1;
}

// Kills the calling process with SIGKILL after this many microseconds, whatever it is doing
// then: the kernel's timer delivers the signal, so no cooperation of the victim is needed.
void armKillTimer(long microseconds)
{
    sigevent event {};
    event.sigev_notify = SIGEV_SIGNAL;
    event.sigev_signo = SIGKILL;
    timer_t timer {};
    if (::timer_create(CLOCK_MONOTONIC, &event, &timer) != 0)
        ::_exit(3);
    itimerspec when {};
    when.it_value.tv_sec = microseconds / 1000000;
    when.it_value.tv_nsec = (microseconds % 1000000) * 1000 + 1;
    ::timer_settime(timer, 0, &when, nullptr);
}

} // namespace

class ProfileStorageTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void unusableFilesReadAsNothing_data();
    void unusableFilesReadAsNothing();
    void readsWholeTextFile();
    void replacesWholeFile();
    void keepsPermissionsAndLinks();
    void interruptedWriteLeavesOldFile_data();
    void interruptedWriteLeavesOldFile();
    void refusedTargetLeavesNoTrace();
    void killedAtRandomMomentsLeavesAWholeFile();
    void location_data();
    void location();
    void driveOfFolder_data();
    void driveOfFolder();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    fs::path m_folder;
};

void ProfileStorageTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_folder = fs::path(m_dir->path().toStdString());
}

void ProfileStorageTest::unusableFilesReadAsNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("directory") << "directory";
    QTest::newRow("dangling link") << "dangling";
    QTest::newRow("named pipe") << "fifo";
    QTest::newRow("binary") << "binary";
    QTest::newRow("larger than the limit") << "huge";
}

void ProfileStorageTest::unusableFilesReadAsNothing()
{
    QFETCH(QString, kind);
    const fs::path ini = m_folder / "Brenlowick.ini";
    if (kind == "directory")
        fs::create_directory(ini);
    else if (kind == "dangling")
        fs::create_symlink(m_folder / "gone", ini);
    else if (kind == "fifo")
        QCOMPARE(::mkfifo(ini.c_str(), 0644), 0);
    else if (kind == "binary")
        writeFile(ini, std::string("[FILE]\nDRIVE=/x\n\0\x01\x02", 19));
    else if (kind == "huge")
        fs::resize_file((writeFile(ini, "[FILE]\nDRIVE=/x\n"), ini), MaxProfileBytes + 1);
    QVERIFY(!readProfileBytes(ini).has_value());
}

void ProfileStorageTest::readsWholeTextFile()
{
    const fs::path ini = m_folder / "Brenlowick.ini";
    // Larger than any single read, no newline at the end, and reached through a link.
    std::string text = "[FILE]\n";
    while (text.size() < 200000)
        text += "KEY" + std::to_string(text.size()) + "=value\n";
    text += "LAST=end";
    writeFile(m_folder / "real.ini", text);
    fs::create_symlink(m_folder / "real.ini", ini);
    QCOMPARE(readProfileBytes(ini).value_or(""), text);
}

void ProfileStorageTest::replacesWholeFile()
{
    const fs::path ini = m_folder / "Brenlowick.ini";
    writeFile(ini, std::string(5000, 'o'));
    QVERIFY(replaceFileAtomically(ini, "[FILE]\nDRIVE=/\n"));
    QCOMPARE(contentOf(ini), std::string("[FILE]\nDRIVE=/\n"));
    QCOMPARE(folderEntries(m_folder), QStringList {"Brenlowick.ini"});

    // A dangling link is replaced by the file itself.
    const fs::path dangling = m_folder / "dangling.ini";
    fs::create_symlink(m_folder / "nowhere" / "x.ini", dangling);
    QVERIFY(replaceFileAtomically(dangling, "new"));
    QVERIFY(fs::is_regular_file(fs::symlink_status(dangling)));
    QCOMPARE(contentOf(dangling), std::string("new"));
}

void ProfileStorageTest::keepsPermissionsAndLinks()
{
    const fs::path real = m_folder / "real.ini";
    const fs::path link = m_folder / "Brenlowick.ini";
    writeFile(real, "old");
    QCOMPARE(::chmod(real.c_str(), 0640), 0);
    fs::create_symlink(real, link);
    QVERIFY(replaceFileAtomically(link, "new"));
    QVERIFY(fs::is_symlink(link));
    QCOMPARE(contentOf(real), std::string("new"));
    struct stat info { };
    QCOMPARE(::stat(real.c_str(), &info), 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0640));

    // A new file follows the umask rather than the temporary file's private mode.
    const mode_t oldMask = ::umask(027);
    const bool written = replaceFileAtomically(m_folder / "fresh.ini", "x");
    ::umask(oldMask);
    QVERIFY(written);
    QCOMPARE(::stat((m_folder / "fresh.ini").c_str(), &info), 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0640));
}

void ProfileStorageTest::interruptedWriteLeavesOldFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("killed between writing and renaming") << "kill before rename";
    QTest::newRow("killed while writing") << "size limit kills";
    QTest::newRow("disk refuses the write") << "size limit fails";
}

void ProfileStorageTest::interruptedWriteLeavesOldFile()
{
    QFETCH(QString, how);
    const fs::path ini = m_folder / "Brenlowick.ini";
    const std::string old = "[FILE]\nDRIVE=/old\n";
    const std::string replacement = "[FILE]\nDRIVE=/new\n" + std::string(8192, ';') + "\n";
    writeFile(ini, old);

    const int status = runInChild([&] {
        if (how == "kill before rename") {
            replaceFileAtomically(ini, replacement, [] { ::raise(SIGKILL); });
            return;
        }
        if (how == "size limit fails")
            ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit {1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ::_exit(replaceFileAtomically(ini, replacement) ? 1 : 0);
    });

    QCOMPARE(contentOf(ini), old);
    const QStringList entries = folderEntries(m_folder);
    if (how == "kill before rename") {
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(WTERMSIG(status), SIGKILL);
        // The new bytes were complete on the disk beside the old file when the writer died.
        QCOMPARE(entries.size(), 2);
        QCOMPARE(contentOf(m_folder / entries.at(1).toStdString()), replacement);
    } else if (how == "size limit kills") {
        QVERIFY(WIFSIGNALED(status));
        QCOMPARE(WTERMSIG(status), SIGXFSZ);
    } else {
        // The writer saw the failure, said so, and cleaned up after itself.
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(entries, QStringList {"Brenlowick.ini"});
    }
}

void ProfileStorageTest::refusedTargetLeavesNoTrace()
{
    const fs::path ini = m_folder / "Brenlowick.ini";
    fs::create_directory(ini);
    writeFile(ini / "inside", "kept");
    QVERIFY(!replaceFileAtomically(ini, "x"));
    QVERIFY(fs::is_directory(ini));
    QCOMPARE(contentOf(ini / "inside"), std::string("kept"));
    QCOMPARE(folderEntries(m_folder), QStringList {"Brenlowick.ini"});
    QVERIFY(!replaceFileAtomically(m_folder / "missing-folder" / "Brenlowick.ini", "x"));
}

void ProfileStorageTest::killedAtRandomMomentsLeavesAWholeFile()
{
    const fs::path ini = m_folder / "Brenlowick.ini";
    writeFile(ini, versionText(0));
    int lastSeen = 0;
    int killedWriting = 0;
    for (int round = 1; round <= 200; ++round) {
        // Seeded by the round, so a failing round can be run again as it was.
        std::mt19937 random(static_cast<unsigned>(round));
        const long delay = std::uniform_int_distribution<long>(0, 4000)(random);
        const int firstVersion = round * 1000;
        const int status = runInChild([&] {
            std::vector<std::string> versions;
            for (int version = firstVersion; version < firstVersion + 4; ++version)
                versions.push_back(versionText(version));
            armKillTimer(delay);
            // Saves one version after another until the timer strikes, so that it strikes
            // in every phase: writing, flushing, renaming, syncing the folder.
            for (size_t next = 0;; next = (next + 1) % versions.size())
                replaceFileAtomically(ini, versions[next]);
        });
        QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL,
                 qPrintable(QStringLiteral("round %1: the writer was not killed").arg(round)));

        const std::optional<std::string> bytes = readProfileBytes(ini);
        QVERIFY2(bytes.has_value(), qPrintable(QStringLiteral("round %1: no file").arg(round)));
        const int version = versionOf(*bytes);
        // The old file, or one the writer saved whole in this round.
        QVERIFY2(version == lastSeen || (version >= firstVersion && version < firstVersion + 4),
                 qPrintable(QStringLiteral("round %1 (killed after %2 us): %3 bytes are not a "
                                           "whole version")
                                .arg(round)
                                .arg(delay)
                                .arg(bytes->size())));
        lastSeen = version;
        // The writer's temporary file, if it died before renaming it, is left beside the
        // settings; it is never read in their place.
        for (const auto &entry : fs::directory_iterator(m_folder)) {
            if (entry.path() != ini) {
                ++killedWriting;
                fs::remove(entry.path());
            }
        }
    }
    // The kills did fall inside writes, not only between them.
    QVERIFY(killedWriting > 0);
}

void ProfileStorageTest::location_data()
{
    QTest::addColumn<QString>("atIniPath");
    QTest::addColumn<bool>("userFileExists");
    QTest::addColumn<QString>("readFrom");
    QTest::addColumn<QString>("writeTo");
    QTest::newRow("nothing yet") << "nothing" << false << "program"
                                 << "program";
    QTest::newRow("a file") << "file" << true << "program"
                            << "program";
    QTest::newRow("dangling link") << "dangling" << false << "program"
                                   << "program";
    QTest::newRow("link to a file") << "link" << false << "program"
                                    << "program";
    QTest::newRow("directory, first run") << "directory" << false << "program"
                                          << "user";
    QTest::newRow("directory, later runs") << "directory" << true << "user"
                                           << "user";
    QTest::newRow("folder missing") << "no folder" << false << "program"
                                    << "user";
    QTest::newRow("read-only folder") << "read-only folder" << true << "user"
                                      << "user";
    // An installed program's folder belongs to the package manager: never written, even where
    // the folder could be (as root).
    QTest::newRow("installed, first run") << "installed" << false << "program"
                                          << "user";
    QTest::newRow("installed, later runs") << "installed" << true << "user"
                                           << "user";
    QTest::newRow("lib/brenlowick of no install") << "lib only" << false << "program"
                                                  << "program";
}

void ProfileStorageTest::location()
{
    QFETCH(QString, atIniPath);
    QFETCH(bool, userFileExists);
    QFETCH(QString, readFrom);
    QFETCH(QString, writeTo);
    if (atIniPath == "read-only folder" && ::geteuid() == 0)
        QSKIP("the super-user may write into any folder");

    fs::path program = m_folder / "program";
    if (atIniPath == "installed") {
        program = m_folder / "usr" / "lib" / "brenlowick";
        fs::create_directories(m_folder / "usr" / "share" / "brenlowick" / "demo");
    } else if (atIniPath == "lib only") {
        program = m_folder / "lib" / "brenlowick";
    }
    fs::create_directories(program);
    fs::create_directories(m_folder / "user");
    fs::path ini = program / "Brenlowick.ini";
    const fs::path user = m_folder / "user" / "Brenlowick.ini";
    if (userFileExists)
        writeFile(user, "u");
    if (atIniPath == "file")
        writeFile(ini, "p");
    else if (atIniPath == "dangling")
        fs::create_symlink(program / "gone.ini", ini);
    else if (atIniPath == "link")
        fs::create_symlink((writeFile(program / "real.ini", "p"), program / "real.ini"), ini);
    else if (atIniPath == "directory")
        fs::create_directory(ini);
    else if (atIniPath == "no folder")
        ini = m_folder / "absent" / "Brenlowick.ini";
    else if (atIniPath == "read-only folder")
        fs::permissions(program, fs::perms::owner_read | fs::perms::owner_exec);

    const SettingsLocation location = settingsLocationFor(ini, user);
    fs::permissions(program, fs::perms::owner_all);
    QCOMPARE(location.readFrom, readFrom == "user" ? user : ini);
    QCOMPARE(location.writeTo, writeTo == "user" ? user : ini);
}

void ProfileStorageTest::driveOfFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("drive");
    QTest::newRow("on the root") << "/opt/brenlowick"
                                 << "/";
    QTest::newRow("deepest mount point") << "/media/usb/music/a"
                                         << "/media/usb";
    QTest::newRow("the mount point itself") << "/home"
                                            << "/home";
    QTest::newRow("a name that only starts alike") << "/homework/x"
                                                   << "/";
    QTest::newRow("trailing separator") << "/media/usb/"
                                        << "/media/usb";
}

void ProfileStorageTest::driveOfFolder()
{
    QFETCH(QString, folder);
    QFETCH(QString, drive);
    const std::vector<fs::path> mounts = {"/", "/home/", "/media", "/media/usb"};
    QCOMPARE(QString::fromStdString(::driveOfFolder(folder.toStdString(), mounts).native()), drive);
}

QTEST_GUILESS_MAIN(ProfileStorageTest)
#include "test_profile_storage.moc"
