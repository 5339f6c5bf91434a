// The main window over a real settings file in a temporary program folder, with the user's
// configuration folder in Qt's test location, for the tests of loading and saving settings.
#pragma once

#include "app/main_window.h"
#include "fakes/fake_platform.h"
#include "settings/settings_location.h"

#include <QCheckBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace settings_window_fixture {

inline void writeFile(const fs::path &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string contentOf(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A folder whose full path is exactly length bytes long.
inline fs::path folderOfLength(const fs::path &base, std::size_t length)
{
    std::string path = base.native();
    while (path.size() < length) {
        const std::size_t part = std::min<std::size_t>(200, length - path.size() - 1);
        path += '/' + std::string(std::max<std::size_t>(part, 1), 'd');
    }
    fs::create_directories(path);
    return path;
}

inline QString optionsOf(const frmMain &window)
{
    QString options;
    for (const QCheckBox *box : {window.chkRandom, window.chkPlayRepeat, window.chkPlayLoop,
             window.chkAutoPlay, window.chkMinimum})
        options += box->isChecked() ? '1' : '0';
    return options;
}

} // namespace settings_window_fixture

using namespace settings_window_fixture;

class SettingsWindowFixture {
protected:
    static void useTestConfigFolder()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(userSettingsPath().native().find("/.qttest/") != std::string::npos);
    }

    void setUp()
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

    void tearDown()
    {
        m_window.reset();
        m_fakes.reset();
        fs::remove_all(userSettingsPath().parent_path());
        // QTemporaryDir cannot remove names that are not UTF-8.
        fs::remove_all(m_dir->path().toStdString());
    }

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
