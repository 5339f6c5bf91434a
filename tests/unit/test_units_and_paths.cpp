#include "app/main_window.h"
#include "app/twips.h"

#include <QTest>

class UnitsAndPathsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void twipsToPixels_data();
    void twipsToPixels();
    void twipsPerPixelFollowsTheDpi();
    void settingsPath_data();
    void settingsPath();
};

void UnitsAndPathsTest::twipsToPixels_data()
{
    QTest::addColumn<double>("twips");
    QTest::addColumn<double>("perPixel");
    QTest::addColumn<int>("pixels");
    QTest::newRow("client width") << 3885.0 << 15.0 << 259;
    QTest::newRow("button") << 330.0 << 15.0 << 22;
    QTest::newRow("negative left") << -120.0 << 15.0 << -8;
    QTest::newRow("rounds to nearest") << 22.0 << 15.0 << 1;
    QTest::newRow("high dpi") << 1440.0 << 7.5 << 192;
}

void UnitsAndPathsTest::twipsToPixels()
{
    QFETCH(double, twips);
    QFETCH(double, perPixel);
    QFETCH(int, pixels);
    QCOMPARE(::twipsToPixels(twips, perPixel), pixels);
}

void UnitsAndPathsTest::twipsPerPixelFollowsTheDpi()
{
    QCOMPARE(twipsPerPixelForDpi(96), 15.0);
    QCOMPARE(twipsPerPixelForDpi(120), 12.0);
    QCOMPARE(twipsPerPixelForDpi(192), 7.5);
    // A screen that reports no DPI is taken as the usual 96.
    QCOMPARE(twipsPerPixelForDpi(0), 15.0);
    const QRect rect = twipsRect(120, 705, 330, 330, 15, 15);
    QCOMPARE(rect, QRect(8, 47, 22, 22));
}

void UnitsAndPathsTest::settingsPath_data()
{
    QTest::addColumn<QByteArray>("folder");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("plain folder") << QByteArray("/opt/brenlowick") << QByteArray("/opt/brenlowick/Brenlowick.ini");
    QTest::newRow("trailing separator") << QByteArray("/opt/brenlowick/") << QByteArray("/opt/brenlowick/Brenlowick.ini");
    QTest::newRow("root") << QByteArray("/") << QByteArray("/Brenlowick.ini");
    QTest::newRow("not UTF-8") << QByteArray("/home/u/\xff\xfe") << QByteArray("/home/u/\xff\xfe/Brenlowick.ini");
}

void UnitsAndPathsTest::settingsPath()
{
    QFETCH(QByteArray, folder);
    QFETCH(QByteArray, expected);
    const std::filesystem::path path = settingsPathFor(std::filesystem::path(folder.toStdString()));
    QCOMPARE(QByteArray::fromStdString(path.native()), expected);
}

QTEST_GUILESS_MAIN(UnitsAndPathsTest)
#include "test_units_and_paths.moc"
