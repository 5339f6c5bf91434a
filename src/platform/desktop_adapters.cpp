#include "platform/desktop_adapters.h"

#include "app/twips.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <unistd.h>

void QtMessageBox::show(Icon icon, const QString &text)
{
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Brenlowick"));
    // Descriptions carry file and folder names: "<i>" in one is part of the name, not markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    switch (icon) {
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void QtMessageBox::beep()
{
    QApplication::beep();
}

namespace {
QScreen *primaryScreen()
{
    return QGuiApplication::primaryScreen();
}
} // namespace

double PrimaryScreenMetrics::widthTwips() const
{
    QScreen *screen = primaryScreen();
    return screen ? screen->geometry().width() * twipsPerPixelX() : 1024 * 15.0;
}

double PrimaryScreenMetrics::heightTwips() const
{
    QScreen *screen = primaryScreen();
    return screen ? screen->geometry().height() * twipsPerPixelY() : 768 * 15.0;
}

double PrimaryScreenMetrics::twipsPerPixelX() const
{
    QScreen *screen = primaryScreen();
    return twipsPerPixelForDpi(screen ? screen->logicalDotsPerInchX() : 96.0);
}

double PrimaryScreenMetrics::twipsPerPixelY() const
{
    QScreen *screen = primaryScreen();
    return twipsPerPixelForDpi(screen ? screen->logicalDotsPerInchY() : 96.0);
}

bool LockFileInstanceGuard::anotherInstanceRunning()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QDir().mkpath(folder);
    m_lock = std::make_unique<QLockFile>(folder + QStringLiteral("/brenlowick.lock"));
    // Only a lock whose owner process is gone counts as stale, however old a live one is.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return false;
    // Where the lock cannot be made at all (unwritable folder), the program runs anyway:
    // refusing to start would be worse than a rare second instance.
    return m_lock->error() == QLockFile::LockFailedError;
}

QDateTime SystemClock::localNow() const
{
    return QDateTime::currentDateTime();
}

ThrottledEventLoopYield::ThrottledEventLoopYield()
{
    m_sinceLast.start();
}

void ThrottledEventLoopYield::yield()
{
    if (m_sinceLast.elapsed() < 10)
        return;
    QCoreApplication::processEvents();
    m_sinceLast.restart();
}

std::filesystem::path RealProcessControl::programFolder() const
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        return self.parent_path();
    return std::filesystem::path(QCoreApplication::applicationDirPath().toStdString());
}

void RealProcessControl::endProgram(int exitCode)
{
    // Ending at once: nothing after this runs, so no close or unload handling can follow.
    // The settings were written whole before this point, and the desktop drops the tray icon
    // with the connection.
    std::fflush(nullptr);
    ::_exit(exitCode);
}

std::vector<std::filesystem::path> MountTableDriveProvider::mountPoints() const
{
    static const std::set<std::string> pseudoTypes = {
        "proc",       "sysfs",     "tmpfs",      "devtmpfs",  "devpts",    "cgroup",
        "cgroup2",    "securityfs", "pstore",    "debugfs",   "tracefs",   "configfs",
        "fusectl",    "mqueue",    "hugetlbfs",  "bpf",       "autofs",    "binfmt_misc",
        "efivarfs",   "rpc_pipefs", "nsfs",      "ramfs",     "overlay_internal", "squashfs",
        "fuse.gvfsd-fuse", "fuse.portal", "selinuxfs", "nfsd"};
    std::vector<std::filesystem::path> result;
    std::set<std::string> seen;
    std::ifstream mounts("/proc/self/mounts");
    std::string line;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint, type;
        fields >> device >> mountPoint >> type;
        if (mountPoint.empty() || pseudoTypes.count(type) || !seen.insert(mountPoint).second)
            continue;
        // The mount table escapes spaces and the like as octal.
        std::string decoded;
        for (size_t i = 0; i < mountPoint.size(); ++i) {
            const std::string digits = mountPoint.substr(i + 1, 3);
            if (mountPoint[i] == '\\' && digits.size() == 3
                && digits.find_first_not_of("01234567") == std::string::npos) {
                decoded.push_back(static_cast<char>(std::stoi(digits, nullptr, 8)));
                i += 3;
            } else {
                decoded.push_back(mountPoint[i]);
            }
        }
        if (decoded.rfind("/proc", 0) == 0 || decoded.rfind("/sys", 0) == 0
            || decoded.rfind("/dev", 0) == 0 || decoded.rfind("/run", 0) == 0)
            continue;
        result.emplace_back(decoded);
    }
    std::stable_partition(result.begin(), result.end(),
                          [](const std::filesystem::path &p) { return p == "/"; });
    if (result.empty())
        result.emplace_back("/");
    return result;
}
