#include "song_search_helpers.h"
#include "songlist/pseudo_file_systems.h"

#include <QTest>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <set>
#include <tuple>

// Links and the kernel's folders: every walk ends, each real folder is walked once, by the first
// way to it, and the kernel's pseudo file systems are not entered.

namespace fs = std::filesystem;

class TestSearchLinks : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void linkCyclesEnd()
    {
        const ScratchTree tree;
        QVERIFY(tree.isValid());
        const std::string &root = tree.root;
        touch(fs::path(root) / "A/a.mp3");
        fs::create_directory_symlink("..", fs::path(root) / "A/up");
        fs::create_directory_symlink(".", fs::path(root) / "A/self");
        touch(fs::path(root) / "B/b.mp3");
        fs::create_directory_symlink(root + "/B", fs::path(root) / "A/toB");
        // B is walked once, by whichever way the walk meets first: through A's link when A is
        // listed before B.
        const std::vector<std::string> rootOrder = listing(root);
        const bool aFirst = indexOf(rootOrder, "A") < indexOf(rootOrder, "B");
        const Found found = search(root);
        QCOMPARE(found.paths,
            (aFirst ? std::vector<std::string> {root + "/A/toB/b.mp3", root + "/A/a.mp3"}
                    : std::vector<std::string> {root + "/B/b.mp3", root + "/A/a.mp3"}));
        QCOMPARE(found.folders, size_t {3});
    }

    void fannedOutLinksWalkEachFolderOnce()
    {
        const ScratchTree tree;
        QVERIFY(tree.isValid());
        const std::string &root = tree.root;
        // Every level holds a song, the next level "d" and two links to it: 3^40 ways down.
        constexpr int Depth = 40;
        std::string level = root;
        for (int i = 0; i <= Depth; ++i) {
            touch(fs::path(level) / ("s" + std::to_string(i) + ".mp3"));
            if (i < Depth) {
                fs::create_directory(level + "/d");
                fs::create_directory_symlink("d", level + "/x");
                fs::create_directory_symlink(level + "/d", level + "/y");
            }
            level += "/d";
        }
        // Each level's songs show under the first way to it in listing order.
        std::vector<std::string> expected;
        std::string shown = root;
        level = root;
        for (int i = 0; i <= Depth; ++i) {
            expected.insert(expected.begin(), shown + "/s" + std::to_string(i) + ".mp3");
            std::string firstWay;
            for (const std::string &name : listing(level))
                if (firstWay.empty() && (name == "d" || name == "x" || name == "y"))
                    firstWay = name;
            shown += "/" + firstWay;
            level += "/d";
        }
        const Found found = search(root);
        QVERIFY(!found.overran);
        QCOMPARE(found.paths, expected);
        QCOMPARE(found.folders, size_t {Depth + 1});
    }

    void kernelFoldersAreNotEntered()
    {
        const ScratchTree tree;
        QVERIFY(tree.isValid());
        const std::string &root = tree.root;
        touch(fs::path(root) / "song.mp3");
        for (const char *kernel : {"/proc", "/sys", "/dev"})
            fs::create_directory_symlink(kernel, root + kernel);
        // What the links lead to, and whatever is inside it, is a system folder.
        fs::create_directory_symlink("/proc/self", root + "/self");
        fs::create_directory_symlink("/sys/class", root + "/class");
        const Found found = search(root, {}, 1000);
        QVERIFY(!found.overran);
        QCOMPARE(found.paths, std::vector<std::string> {root + "/song.mp3"});
        QCOMPARE(found.folders, size_t {1});
        // Started on one, the search finds nothing and fails nothing, as for any folder
        // without songs.
        for (const char *kernel : {"/proc", "/sys/class", "/dev"}) {
            const Found inside = search(kernel, {}, 1000);
            QVERIFY(!inside.overran);
            QVERIFY(inside.paths.empty());
            QCOMPARE(inside.folders, size_t {0});
        }
    }

    void deviceFolderIsToldByTheMountTable_data()
    {
        QTest::addColumn<QByteArray>("mount");
        QTest::addColumn<bool>("deviceFolder");
        QTest::newRow("a container's /dev") << QByteArray("/dev rw - tmpfs") << true;
        QTest::newRow("shared memory below /dev") << QByteArray("/dev/shm rw - tmpfs") << false;
    }

    void deviceFolderIsToldByTheMountTable()
    {
        // Only the mount table tells the device folder from another memory file system: a
        // scratch folder on one stands for it, as the table given says where it is mounted.
        QFETCH(QByteArray, mount);
        QFETCH(bool, deviceFolder);
        const ScratchTree tree;
        const int fd = ::open(tree.root.c_str(), O_RDONLY | O_DIRECTORY);
        struct stat folder { };
        struct statfs fileSystem { };
        if (fd < 0 || ::fstat(fd, &folder) != 0 || ::fstatfs(fd, &fileSystem) != 0
            || fileSystem.f_type != TMPFS_MAGIC)
            QSKIP("no memory file system to stand for the device folder");
        std::ofstream(tree.root + "/mountinfo")
            << "22 1 " << major(folder.st_dev) << ':' << minor(folder.st_dev) << " / "
            << mount.constData() << " none rw\n";
        QCOMPARE(
            PseudoFileSystems(tree.root + "/mountinfo").holds(fd, folder.st_dev), deviceFolder);
        ::close(fd);
    }

    void stoppedWalkGivesTheSongsListedSoFar()
    {
        const ScratchTree tree;
        QVERIFY(tree.isValid());
        const std::string &root = tree.root;
        // R holds r.mp3, A (a.mp3) and B (b.mp3 and C with c.mp3). Stop as soon as A is done.
        for (const char *file : {"r.mp3", "A/a.mp3", "B/b.mp3", "B/C/c.mp3"})
            touch(fs::path(root) / file);
        const std::vector<std::string> rootOrder = listing(root);
        const std::string first = indexOf(rootOrder, "A") < indexOf(rootOrder, "B") ? "A" : "B";
        std::vector<std::string> paths;
        int yieldsAfterStop = 0;
        bool stop = false;
        searchSongs(
            root,
            [&](std::string_view path, std::string_view) {
                paths.emplace_back(path);
                stop = true;
            },
            [&] {
                yieldsAfterStop += stop;
                return !stop;
            });
        // The first subfolder's tree whole, nothing of the next one's subfolders, the starting
        // folder's own songs last; and no entry is read once the stop is asked for.
        QCOMPARE(yieldsAfterStop, 1);
        QVERIFY(paths.size() >= 2);
        QCOMPARE(paths.back(), root + "/r.mp3");
        QVERIFY(paths.front().starts_with(root + "/" + first + "/"));
        QCOMPARE(indexOf(paths, root + "/B/C/c.mp3"), first == "A" ? -1 : 0);
    }

    void wholeMachineSearchEnds()
    {
        const Found found = search("/", {}, 20000000);
        QVERIFY(!found.overran);
        std::set<std::tuple<dev_t, ino_t, std::string>> songs;
        for (const std::string &path : found.paths) {
            for (const char *kernel : {"/proc/", "/sys/", "/dev/"})
                QVERIFY2(!path.starts_with(kernel), path.c_str());
            const fs::path song(path);
            struct stat folder { };
            // Other work on the machine may have removed it since.
            if (::stat(song.parent_path().c_str(), &folder) == 0)
                QVERIFY2(songs.emplace(folder.st_dev, folder.st_ino, song.filename()).second,
                    path.c_str());
        }
    }
};

QTEST_GUILESS_MAIN(TestSearchLinks)
#include "test_search_links.moc"
