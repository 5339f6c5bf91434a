#include "app/main_window.h"
#include "fakes/fake_platform.h"
#include "songlist/drive_list.h"
#include "songlist/folder_list.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

QStringList shownFolders(const FolderList &list)
{
    QStringList texts;
    for (int row = 0; row < list.count(); ++row)
        texts << list.item(row)->text().trimmed();
    return texts;
}

} // namespace

class TestDriveChange : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_root = m_dir->path().toStdString();
        fs::create_directories(m_root + "/diskA/music");
        fs::create_directories(m_root + "/diskB");
        m_fakes = std::make_unique<FakePlatform>();
        m_fakes->drives.mounts = {"/", m_root + "/diskA", m_root + "/diskB", m_root + "/cdrom"};
        m_window = std::make_unique<frmMain>(m_fakes->platform);
    }

    void cleanup()
    {
        m_window.reset();
        m_fakes.reset();
        std::error_code error;
        fs::remove_all(m_root, error);
    }

    void listsTheMountPoints()
    {
        QCOMPARE(m_window->Drive->count(), 4);
        QCOMPARE(m_window->Drive->itemText(0), QStringLiteral("/"));
        QCOMPARE(m_window->Drive->drive(), fs::path("/"));
    }

    void choosingADriveMovesTheFolderList()
    {
        QSignalSpy changes(m_window->Drive, &DriveList::Change);
        m_window->Drive->setDrive(m_root + "/diskA");
        QCOMPARE(changes.count(), 1);
        QCOMPARE(m_window->DirTree->path(), fs::path(m_root + "/diskA"));
        QCOMPARE(m_window->Drive->currentText(), QString::fromStdString(m_root + "/diskA"));

        // The user's pick in the list does the same.
        Q_EMIT m_window->Drive->activated(2);
        QCOMPARE(m_window->Drive->drive(), fs::path(m_root + "/diskB"));
        QCOMPARE(m_window->DirTree->path(), fs::path(m_root + "/diskB"));
        QVERIFY(m_fakes->messageBox.shown.empty());
        // Choosing it again changes nothing.
        Q_EMIT m_window->Drive->activated(2);
        QCOMPARE(changes.count(), 2);
    }

    void folderRowsAreAsCompactAsTextLines()
    {
        m_window->Drive->setDrive(m_root + "/diskA");
        FolderList *list = m_window->DirTree;
        QVERIFY(list->count() >= 2);
        const int textHeight = list->fontMetrics().height();
        for (int row = 0; row < list->count(); ++row) {
            const int rowHeight = list->visualItemRect(list->item(row)).height();
            QVERIFY2(rowHeight <= std::max(textHeight, 16) + 4,
                     qPrintable(QStringLiteral("row %1: %2 px").arg(row).arg(rowHeight)));
        }
    }

    void driveThatIsNotReadyIsReportedOnceAndLeavesTheFolder()
    {
        m_window->Drive->setDrive(m_root + "/diskA");
        m_window->DirTree->setPath(m_root + "/diskA/music");

        Q_EMIT m_window->Drive->activated(3); // the mount point exists in the list only

        QCOMPARE(m_fakes->messageBox.shown.size(), size_t {1});
        const QString text = m_fakes->messageBox.shown.front().text;
        QVERIFY2(text.startsWith(QStringLiteral("エラーが発生しました。")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("76")), qPrintable(text));
        QCOMPARE(m_window->Drive->drive(), fs::path(m_root + "/cdrom"));
        QCOMPARE(m_window->DirTree->path(), fs::path(m_root + "/diskA/music"));
    }

    void unknownDriveIsRefused()
    {
        QSignalSpy changes(m_window->Drive, &DriveList::Change);
        try {
            m_window->Drive->setDrive(m_root + "/nothing");
            QFAIL("accepted a drive that does not exist");
        } catch (const AppError &error) {
            QCOMPARE(error.number(), ErrNo::DeviceUnavailable);
        }
        QCOMPARE(changes.count(), 0);
        QCOMPARE(m_window->Drive->drive(), fs::path("/"));
    }

    void folderListShowsAncestorsAndVisibleSubfolders()
    {
        const std::string base = m_root + "/diskA/music";
        for (const char *folder : {"Jazz", "ambient", ".cache", "Rock"})
            fs::create_directories(base + "/" + folder);
        fs::create_directories(base + "/\x83\x65\x83\x58\x83\x67");
        fs::create_directory_symlink(base + "/Jazz", base + "/linked");
        std::ofstream(base + "/file.mp3").put('x');

        m_window->DirTree->setPath(base + "/");

        QCOMPARE(m_window->DirTree->path(), fs::path(base));
        const QStringList shown = shownFolders(*m_window->DirTree);
        const QStringList ancestors
            = QString::fromStdString(base).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        QCOMPARE(shown.first(), QStringLiteral("/"));
        QCOMPARE(shown.mid(1, ancestors.size()), ancestors);
        QCOMPARE(shown.mid(1 + ancestors.size()),
            (QStringList {QStringLiteral("ambient"), QStringLiteral("Jazz"),
                QStringLiteral("linked"), QStringLiteral("Rock"), QStringLiteral("テスト")}));
        QCOMPARE(m_window->DirTree->currentItem()->text().trimmed(), QStringLiteral("music"));
    }

    void openingAFolderStartsNoSearch_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::newRow("double click") << false;
        QTest::newRow("enter") << true;
    }

    void openingAFolderStartsNoSearch()
    {
        QFETCH(bool, byKey);
        const std::string base = m_root + "/diskA";
        fs::create_directories(base + "/music/\x83\x65\x83\x58\x83\x67");
        std::ofstream(base + "/music/song.mp3").put('x');
        m_window->DirTree->setPath(base);
        QSignalSpy changes(m_window->DirTree, &FolderList::Change);
        const QList<QListWidgetItem *> items
            = m_window->DirTree->findItems(QStringLiteral("music"), Qt::MatchEndsWith);
        QCOMPARE(items.size(), 1);

        if (byKey) {
            m_window->DirTree->setCurrentItem(items.front());
            QTest::keyClick(m_window->DirTree, Qt::Key_Return);
        } else {
            Q_EMIT m_window->DirTree->itemDoubleClicked(items.front());
        }

        QCOMPARE(changes.count(), 1);
        QCOMPARE(m_window->DirTree->path(), fs::path(base + "/music"));
        QCOMPARE(m_window->FoundCount, 0);
        QVERIFY(m_fakes->player.calls.isEmpty());

        // A folder whose name is not UTF-8 opens by its bytes.
        const QList<QListWidgetItem *> odd
            = m_window->DirTree->findItems(QStringLiteral("テスト"), Qt::MatchEndsWith);
        QCOMPARE(odd.size(), 1);
        Q_EMIT m_window->DirTree->itemDoubleClicked(odd.front());
        QCOMPARE(m_window->DirTree->path().native(), base + "/music/\x83\x65\x83\x58\x83\x67");
    }

    void folderThatVanishedIsDroppedFromTheList()
    {
        const std::string base = m_root + "/diskA";
        m_window->DirTree->setPath(base);
        const QList<QListWidgetItem *> items
            = m_window->DirTree->findItems(QStringLiteral("music"), Qt::MatchEndsWith);
        QCOMPARE(items.size(), 1);
        fs::remove_all(base + "/music");
        Q_EMIT m_window->DirTree->itemDoubleClicked(items.front());
        QCOMPARE(m_window->DirTree->path(), fs::path(base));
        QVERIFY(m_window->DirTree->findItems(QStringLiteral("music"), Qt::MatchEndsWith).isEmpty());
    }

    void missingFolderIsRefused()
    {
        m_window->DirTree->setPath(m_root + "/diskB");
        QVERIFY_THROWS_EXCEPTION(AppError, m_window->DirTree->setPath(m_root + "/gone"));
        QCOMPARE(m_window->DirTree->path(), fs::path(m_root + "/diskB"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::string m_root;
    std::unique_ptr<FakePlatform> m_fakes;
    std::unique_ptr<frmMain> m_window;
};

QTEST_MAIN(TestDriveChange)
#include "test_drive_change.moc"
