// The window on the real engine, over a folder holding every kind of bad song next to a good
// one: the search lists them all, each bad one is reported once under the playback heading,
// and the player keeps working, the good song playing to its end after them.

#include "bad_songs.h"

#include "app/main_window.h"
#include "engine/mp3_engine.h"
#include "fakes/fake_platform.h"
#include "songlist/folder_list.h"
#include "songlist/song_list_view.h"

#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace BadSongs;
namespace fs = std::filesystem;

namespace {

std::string highByteName()
{
    std::string name;
    for (int byte = 0x80; byte <= 0xff; ++byte)
        name.push_back(static_cast<char>(byte));
    return name + ".mp3";
}

// A song 4,000 bytes from the root of the path, in folders of 200-byte names.
fs::path longPathIn(const fs::path &root)
{
    fs::path folder = root;
    while (folder.native().size() < 4000 - 210)
        folder /= std::string(200, 'd');
    return folder / (std::string(4000 - folder.native().size() - 5, 's') + ".mp3");
}

// Made by the system calls themselves: ten thousand folders cost seconds through iostreams.
void makeSubfolders(const fs::path &folder, int count)
{
    fs::create_directories(folder);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < count; ++i)
        ::mkdirat(fd, ("sub" + std::to_string(i)).c_str(), 0755);
    ::close(fd);
}

} // namespace

class BadInputWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIODELAY", "0");
        qputenv("SDL_DISKAUDIOFILE", "/dev/null");
        const fs::path root = m_dir.path().toStdString();
        const QByteArray good = fixtureBytes("tags_id3v24_utf8.mp3");
        fs::create_directories(root / "bad");
        for (const char *kind : {"empty", "one byte", "jpeg", "zeros", "huge tag"}) {
            const fs::path path
                = root / "bad" / (QByteArray(kind).replace(' ', '_') + ".mp3").data();
            writeBytes(path, badSong(QString::fromLatin1(kind)));
            m_bad.push_back(path.native());
        }
        writeBytes(root / "bad" / "x.mp3", {});
        m_bad.push_back((root / "bad" / "x.mp3").native());
        makeSubfolders(root / "wide", 10000);
        writeBytes(root / "wide" / "sub9999" / "deep.mp3", good);
        writeBytes(root / highByteName(), good);
        const fs::path longPath = longPathIn(root / "long");
        fs::create_directories(longPath.parent_path());
        writeBytes(longPath, good);
        m_good = {(root / "wide" / "sub9999" / "deep.mp3").native(),
            (root / highByteName()).native(), longPath.native()};
    }

    void everyBadSongIsReportedAndTheGoodOnesPlay()
    {
        FakePlatform fakes;
        Mp3Engine engine;
        Platform platform {engine, fakes.messageBox, fakes.screen, fakes.tray, fakes.instanceGuard,
            fakes.clock, fakes.eventLoop, fakes.process, fakes.drives};
        frmMain window(platform);
        // What follows a song's end depends on the list order, which is the file system's;
        // here only each song's own end matters.
        QObject::disconnect(&engine, &MediaPlayer::EndOfStream, &window, nullptr);
        window.DirTree->setPath(m_dir.path().toStdString());
        // The command starts the first song found, which may be a bad one: one report at most.
        window.cmdGetFiles_Click();
        QVERIFY(fakes.messageBox.shown.size() <= 1);
        QCOMPARE(window.SongList->ListCount(), static_cast<int>(m_bad.size() + m_good.size()));

        for (const std::string &bad : m_bad) {
            const size_t before = fakes.messageBox.shown.size();
            window.SongList->setListIndex(indexOf(window, bad));
            QCOMPARE(fakes.messageBox.shown.size(), before + 1);
            const QString report = fakes.messageBox.shown.back().text;
            const QStringList lines = report.split(QRegularExpression(QStringLiteral("\r?\n")));
            QVERIFY2(lines.size() == 4
                    && lines[0] == QStringLiteral("再生時にエラーが発生しました。")
                    && lines[2] == QStringLiteral("エラー番号：5"),
                qPrintable(report));
        }

        QSignalSpy ends(&engine, &MediaPlayer::EndOfStream);
        for (const std::string &good : m_good) {
            const qsizetype reports = fakes.messageBox.shown.size();
            window.SongList->setListIndex(indexOf(window, good));
            QCOMPARE(fakes.messageBox.shown.size(), reports);
            QTRY_COMPARE(window.lblTitle->text(), QStringLiteral("月の光"));
            QTRY_COMPARE(ends.count(), 1);
            QCOMPARE(engine.CurrentPosition(), engine.Duration());
            ends.clear();
        }
    }

    void cleanupTestCase()
    {
        // QTemporaryDir cannot remove names that are not UTF-8.
        fs::remove_all(m_dir.path().toStdString());
    }

    void tenThousandSubfoldersAreListed()
    {
        FakePlatform fakes;
        frmMain window(fakes.platform);
        window.DirTree->setPath(m_dir.path().toStdString() + "/wide");
        QVERIFY(window.DirTree->count() >= 10000);
        QVERIFY(fakes.messageBox.shown.empty());
    }

private:
    static int indexOf(const frmMain &window, const std::string &path)
    {
        for (size_t i = 0; i < window.SongPaths.size(); ++i) {
            if (std::string_view(window.SongPaths[i]) == path)
                return static_cast<int>(i);
        }
        return -1;
    }

    QTemporaryDir m_dir;
    std::vector<std::string> m_bad;
    std::vector<std::string> m_good;
};

QTEST_MAIN(BadInputWindowTest)
#include "bad_input_window_test.moc"
