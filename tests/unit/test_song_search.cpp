#include "app/app_error.h"
#include "songlist/byte_string_list.h"
#include "songlist/display_name.h"
#include "songlist/song_search.h"
#include "song_search_helpers.h"

#include <QTemporaryDir>
#include <QTest>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

class TestSongSearch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_tree = std::make_unique<ScratchTree>();
        QVERIFY(m_tree->isValid());
        m_root = m_tree->root;
    }

    void cleanup() { m_tree.reset(); }

    void songName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("isSong");
        QTest::newRow("song.mp3") << "song.mp3" << true;
        QTest::newRow("upper case") << "song.MP3" << false;
        QTest::newRow("mixed case") << "song.Mp3" << false;
        QTest::newRow("no dot") << "xmp3" << true;
        QTest::newRow("other extension ending in mp3") << "track.xmp3" << true;
        QTest::newRow("just mp3") << "mp3" << true;
        QTest::newRow("shorter than three") << "p3" << false;
        QTest::newRow("mp3 not at the end") << "song.mp3.txt" << false;
    }

    void songName()
    {
        QFETCH(QString, name);
        QFETCH(bool, isSong);
        QCOMPARE(isSongName(name.toStdString()), isSong);
        // The same rule on a real file in a real walk.
        touch(fs::path(m_root) / name.toStdString());
        QCOMPARE(search(m_root).names.size(), isSong ? size_t {1} : size_t {0});
    }

    void emptyFolderFindsNothing()
    {
        const Found found = search(m_root);
        QVERIFY(found.paths.empty());
        QVERIFY(found.names.empty());
    }

    void subfolderTreesComeBeforeOwnFiles()
    {
        // R holds r1 and r2 and the subfolders A (a1) and B (b1 and the subfolder C with c1).
        for (const char *file : {"r1.mp3", "r2.mp3", "A/a1.mp3", "B/b1.mp3", "B/C/c1.mp3"})
            touch(fs::path(m_root) / file);
        const Found found = search(m_root);
        std::vector<std::string> expected;
        referenceWalk(m_root, expected);
        QCOMPARE(found.paths, expected);
        QCOMPARE(found.paths.size(), size_t {5});
        auto at = [&](const char *file) { return indexOf(found.paths, m_root + "/" + file); };
        QVERIFY(at("B/C/c1.mp3") < at("B/b1.mp3"));
        for (const char *own : {"r1.mp3", "r2.mp3"})
            for (const char *below : {"A/a1.mp3", "B/b1.mp3", "B/C/c1.mp3"})
                QVERIFY(at(below) < at(own));
        // A's tree and B's tree are each in one piece.
        QVERIFY(std::abs(at("B/C/c1.mp3") - at("B/b1.mp3")) == 1);
        QCOMPARE(found.names[static_cast<size_t>(at("A/a1.mp3"))], std::string("a1.mp3"));
    }

    void orderMatchesRecursiveWalkOnWiderTree()
    {
        for (int folder = 0; folder < 6; ++folder)
            for (int sub = 0; sub < 3; ++sub)
                for (int file = 0; file < 4; ++file)
                    touch(fs::path(m_root) / ("f" + std::to_string(folder))
                        / ("s" + std::to_string(sub)) / ("song" + std::to_string(file) + ".mp3"));
        for (int file = 0; file < 5; ++file)
            touch(fs::path(m_root) / ("top" + std::to_string(file) + ".mp3"));
        std::vector<std::string> expected;
        referenceWalk(m_root, expected);
        QCOMPARE(search(m_root).paths, expected);
    }

    void hiddenSystemAndReadOnlyEntries()
    {
        touch(fs::path(m_root) / ".hidden.mp3");
        touch(fs::path(m_root) / ".hidden-folder/inside.mp3");
        QCOMPARE(::mkfifo((m_root + "/pipe.mp3").c_str(), 0644), 0);
        touch(fs::path(m_root) / "readonly.mp3");
        fs::permissions(fs::path(m_root) / "readonly.mp3", fs::perms::owner_read);
        touch(fs::path(m_root) / "x.mp3/inner.mp3");
        const Found found = search(m_root);
        QCOMPARE(found.paths,
            (std::vector<std::string> {m_root + "/x.mp3/inner.mp3", m_root + "/readonly.mp3"}));
    }

    void trailingSeparatorIsNotDoubled()
    {
        touch(fs::path(m_root) / "a.mp3");
        const Found found = search(m_root + "/");
        QCOMPARE(found.paths, std::vector<std::string> {m_root + "/a.mp3"});
    }

    void unreadableSubfolderIsSkippedSilently()
    {
        for (const char *file : {"A/a.mp3", "B/b.mp3", "C/c.mp3", "own.mp3"})
            touch(fs::path(m_root) / file);
        // A dangling link, as a file and as a folder: neither is found, neither fails the walk.
        fs::create_symlink(m_root + "/nowhere.mp3", m_root + "/dead.mp3");
        fs::create_symlink(m_root + "/nowhere", m_root + "/deadfolder");
        // B vanishes after the listing saw it and before it is read.
        bool removed = false;
        const Found found = search(m_root, [&] {
            if (!removed)
                removed = fs::remove_all(fs::path(m_root) / "B") > 0;
        });
        QVERIFY(removed);
        std::vector<std::string> paths = found.paths;
        std::sort(paths.begin(), paths.end());
        QCOMPARE(paths,
            (std::vector<std::string> {
                m_root + "/A/a.mp3", m_root + "/C/c.mp3", m_root + "/own.mp3"}));
        QCOMPARE(found.paths.back(), m_root + "/own.mp3");
    }

    void missingStartingFolderThrows()
    {
        try {
            search(m_root + "/gone");
            QFAIL("no error for a missing folder");
        } catch (const AppError &error) {
            QCOMPARE(error.number(), ErrNo::PathNotFound);
        }
        touch(fs::path(m_root) / "file.mp3");
        QVERIFY_THROWS_EXCEPTION(AppError, search(m_root + "/file.mp3"));
    }

    void namesThatAreNotUtf8KeepTheirBytes()
    {
        const std::string shiftJis = "\x83\x65\x83\x58\x83\x67"; // "テスト" in CP932
        const std::string broken = "\xff\xfe\xfd"; // neither UTF-8 nor CP932
        touch(fs::path(m_root) / (shiftJis + "/" + broken + ".mp3"));
        const Found found = search(m_root);
        QCOMPARE(found.paths,
            std::vector<std::string> {m_root + "/" + shiftJis + "/" + broken + ".mp3"});
        QCOMPARE(found.names, std::vector<std::string> {broken + ".mp3"});
    }

    void displayName_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ascii") << QByteArray("song.mp3") << "song.mp3";
        QTest::newRow("utf-8") << QByteArray("朝のしらべ.mp3") << "朝のしらべ.mp3";
        QTest::newRow("cp932") << QByteArray("\x83\x65\x83\x58\x83\x67.mp3") << "テスト.mp3";
        QTest::newRow("cp932 half-width kana") << QByteArray("\xb1\xb2.mp3") << "ｱｲ.mp3";
        QTest::newRow("latin-1 fallback")
            << QByteArray("\xff\xfe\xfd") << QString::fromLatin1("\xff\xfe\xfd");
        // An overlong "/" is no UTF-8; the bytes happen to be two half-width kana in CP932.
        QTest::newRow("overlong utf-8 is not utf-8") << QByteArray("\xc0\xaf") << "ﾀｯ";
    }

    void displayName()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        QCOMPARE(::displayName(std::string_view(bytes.constData(), bytes.size())), shown);
    }

    void resultListKeepsEveryEntryAcrossChunks()
    {
        // Entries of every size, one far larger than a chunk, in an order that fills chunks
        // unevenly.
        std::vector<std::string> entries;
        for (int i = 0; i < 5000; ++i)
            entries.push_back(
                std::string(static_cast<size_t>(i % 97), static_cast<char>('a' + i % 26)));
        entries.insert(entries.begin() + 1234, std::string(200000, 'x'));
        entries.insert(entries.begin(), std::string());
        ByteStringList list;
        for (const std::string &entry : entries)
            list.push_back(entry);
        QCOMPARE(list.size(), entries.size());
        for (size_t i = 0; i < entries.size(); ++i)
            QVERIFY2(list[i] == entries[i], qPrintable(QString::number(i)));
        list.clear();
        QVERIFY(list.empty());
    }

    void yieldsWhileWalking()
    {
        for (int file = 0; file < 20; ++file)
            touch(fs::path(m_root) / ("d" + std::to_string(file % 4))
                / (std::to_string(file) + ".txt"));
        // Every entry of every listing gives the event loop a turn, songs or not.
        QVERIFY(search(m_root).yields >= 24);
    }

    void deepChainDoesNotExhaustTheStack()
    {
        constexpr int Depth = 10000;
        int fd = ::open(m_root.c_str(), O_RDONLY | O_DIRECTORY);
        QVERIFY(fd >= 0);
        QCOMPARE(::close(::openat(fd, "top.mp3", O_CREAT | O_WRONLY, 0644)), 0);
        for (int level = 0; level < Depth; ++level) {
            QCOMPARE(::mkdirat(fd, "d", 0755), 0);
            const int child = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = child;
            QVERIFY(fd >= 0);
        }
        QCOMPARE(::close(::openat(fd, "deep.mp3", O_CREAT | O_WRONLY, 0644)), 0);
        ::close(fd);

        const Found found = search(m_root);
        std::string deep = m_root;
        for (int level = 0; level < Depth; ++level)
            deep += "/d";
        QCOMPARE(found.paths, (std::vector<std::string> {deep + "/deep.mp3", m_root + "/top.mp3"}));
        removeChain(Depth);
    }

    void deepAndWideTreeStaysWithinTheDescriptorLimit()
    {
        // Every level holds a leaf folder with a song and the next level, so about half the
        // levels still have a subfolder to enter while the walk is deeper down.
        constexpr int Depth = 200;
        std::string level = m_root;
        for (int i = 0; i < Depth; ++i) {
            touch(fs::path(level) / "b/s.mp3");
            level += "/a";
        }
        touch(fs::path(level) / "deepest.mp3");
        std::vector<std::string> expected;
        referenceWalk(m_root, expected);
        QCOMPARE(expected.size(), size_t {Depth + 1});

        rlimit saved {};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
        rlimit low = saved;
        low.rlim_cur = 64;
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &low), 0);
        const Found found = search(m_root);
        ::setrlimit(RLIMIT_NOFILE, &saved);
        QCOMPARE(found.paths, expected);
    }

private:
    // Paths this deep are too long for the ordinary removal: cut the chain into short pieces
    // hung off the root first.
    void removeChain(int depth)
    {
        const int rootFd = ::open(m_root.c_str(), O_RDONLY | O_DIRECTORY);
        int fd = ::open((m_root + "/d").c_str(), O_RDONLY | O_DIRECTORY);
        for (int level = 1; level < depth && fd >= 0; ++level) {
            int child = -1;
            if (level % 500 == 0) {
                const std::string piece = "piece" + std::to_string(level);
                ::renameat(fd, "d", rootFd, piece.c_str());
                child = ::openat(rootFd, piece.c_str(), O_RDONLY | O_DIRECTORY);
            } else {
                child = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
            }
            ::close(fd);
            fd = child;
        }
        if (fd >= 0)
            ::close(fd);
        ::close(rootFd);
    }

    std::unique_ptr<ScratchTree> m_tree;
    std::string m_root;
};

QTEST_GUILESS_MAIN(TestSongSearch)
#include "test_song_search.moc"
