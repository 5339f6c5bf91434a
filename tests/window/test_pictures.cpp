// The pictures of the window: button pictures decoded only when painted and only at the size
// painted, and the program's icon drawn at whatever size is asked for.
#include "app/app_icon.h"
#include "app/button_pictures.h"
#include "app/picture_on_demand.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A file per drawn size, each in its own colour, so a test can tell which file was used.
struct ColouredSizes {
    QTemporaryDir folder;
    std::vector<std::pair<int, QString>> files;

    ColouredSizes(std::initializer_list<std::pair<int, QColor>> sizes)
    {
        for (const auto &[edge, colour] : sizes) {
            QImage image(edge, edge, QImage::Format_ARGB32);
            image.fill(colour);
            const QString path = folder.filePath(QStringLiteral("picture-%1.png").arg(edge));
            image.save(path, "PNG");
            files.emplace_back(edge, path);
        }
    }
};

QColor centreColour(const QPixmap &pixmap)
{
    return pixmap.toImage().pixelColor(pixmap.width() / 2, pixmap.height() / 2);
}

} // namespace

class PicturesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void chooseSize_data();
    void chooseSize();
    void nothingIsDecodedUntilPainted();
    void onlyTheSizePaintedIsDecodedAndKept();
    void largerDrawingScaledDownSmallerNeverBlownUp();
    void disabledPictureIsGeneratedFromTheNormalOne();
    void noFilesIsANullIcon();
    void everyButtonPictureIsFound();
    void programIconAtAnySizeAndSmallForTheWindowProperty();
};

void PicturesTest::chooseSize_data()
{
    QTest::addColumn<QList<int>>("drawn");
    QTest::addColumn<int>("wanted");
    QTest::addColumn<int>("chosen");
    QTest::newRow("exact") << QList<int> {16, 32, 128} << 32 << 32;
    QTest::newRow("next larger") << QList<int> {16, 32, 128} << 20 << 32;
    QTest::newRow("smaller than all") << QList<int> {16, 32, 128} << 8 << 16;
    QTest::newRow("larger than all") << QList<int> {16, 32, 128} << 300 << 128;
    QTest::newRow("unsorted") << QList<int> {128, 16, 48} << 40 << 48;
    QTest::newRow("none") << QList<int> {} << 16 << -1;
}

void PicturesTest::chooseSize()
{
    QFETCH(QList<int>, drawn);
    QFETCH(int, wanted);
    QFETCH(int, chosen);
    QCOMPARE(
        PictureOnDemand::chooseSize(std::vector<int>(drawn.begin(), drawn.end()), wanted), chosen);
}

void PicturesTest::nothingIsDecodedUntilPainted()
{
    ColouredSizes sizes {{16, Qt::red}, {32, Qt::green}, {128, Qt::blue}};
    auto *engine = new PictureOnDemand(sizes.files);
    const QIcon icon(engine);
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.availableSizes(), (QList<QSize> {{16, 16}, {32, 32}, {128, 128}}));
    QCOMPARE(icon.actualSize(QSize(20, 20)), QSize(20, 20));
    QCOMPARE(icon.actualSize(QSize(500, 500)), QSize(128, 128));
    QCOMPARE(engine->decodedCount(), 0);
}

void PicturesTest::onlyTheSizePaintedIsDecodedAndKept()
{
    ColouredSizes sizes {{16, Qt::red}, {32, Qt::green}, {128, Qt::blue}};
    auto *engine = new PictureOnDemand(sizes.files);
    const QIcon icon(engine);
    QCOMPARE(centreColour(icon.pixmap(16, 16)), QColor(Qt::red));
    QCOMPARE(engine->decodedCount(), 1);
    QCOMPARE(centreColour(icon.pixmap(16, 16)), QColor(Qt::red));
    QCOMPARE(engine->decodedCount(), 1);

    QImage canvas(24, 24, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    icon.paint(&painter, QRect(0, 0, 24, 24));
    painter.end();
    QCOMPARE(canvas.pixelColor(12, 12), QColor(Qt::green));
    QCOMPARE(engine->decodedCount(), 2);
}

void PicturesTest::largerDrawingScaledDownSmallerNeverBlownUp()
{
    ColouredSizes sizes {{16, Qt::red}, {32, Qt::green}};
    const QIcon icon(new PictureOnDemand(sizes.files));
    const QPixmap scaled = icon.pixmap(20, 20);
    QCOMPARE(scaled.size(), QSize(20, 20));
    QCOMPARE(centreColour(scaled), QColor(Qt::green));
    QCOMPARE(icon.pixmap(64, 64).size(), QSize(32, 32));
}

void PicturesTest::disabledPictureIsGeneratedFromTheNormalOne()
{
    ColouredSizes sizes {{16, Qt::red}};
    auto *engine = new PictureOnDemand(sizes.files);
    const QIcon icon(engine);
    const QColor normal = centreColour(icon.pixmap(QSize(16, 16), QIcon::Normal));
    const QColor disabled = centreColour(icon.pixmap(QSize(16, 16), QIcon::Disabled));
    QCOMPARE(normal, QColor(Qt::red));
    QVERIFY2(disabled != normal, qPrintable(disabled.name()));
    QCOMPARE(engine->decodedCount(), 1);
}

void PicturesTest::noFilesIsANullIcon()
{
    QVERIFY(QIcon(new PictureOnDemand({})).isNull());
    QVERIFY(QIcon(new PictureOnDemand({})).pixmap(16, 16).isNull());
}

void PicturesTest::everyButtonPictureIsFound()
{
    // Each comes from the toolkit's own pictures; a wrong name would fall back silently to a
    // style's picture that may not exist on every desktop.
    const QList<QIcon> pictures
        = {ButtonPicture::play(), ButtonPicture::pause(), ButtonPicture::stop(),
            ButtonPicture::previous(), ButtonPicture::next(), ButtonPicture::end(),
            ButtonPicture::expand(), ButtonPicture::folderOpen(), ButtonPicture::folderClosed()};
    for (const QIcon &picture : pictures) {
        QVERIFY(!picture.isNull());
        const QPixmap shown = picture.pixmap(16, 16);
        QCOMPARE(shown.size(), QSize(16, 16));
        const QImage image = shown.toImage().convertToFormat(QImage::Format_ARGB32);
        bool drawnOn = false;
        for (int y = 0; y < image.height() && !drawnOn; ++y)
            for (int x = 0; x < image.width() && !drawnOn; ++x)
                drawnOn = image.pixelColor(x, y).alpha() > 0;
        QVERIFY(drawnOn);
    }
}

void PicturesTest::programIconAtAnySizeAndSmallForTheWindowProperty()
{
    const QIcon icon = programIcon();
    for (int edge : {16, 20, 48, 256}) {
        const QImage drawn = icon.pixmap(edge, edge).toImage();
        QCOMPARE(drawn.size(), QSize(edge, edge));
        // The black square with the green note: green somewhere along the note's stem.
        bool green = false;
        for (int y = edge / 4; y < edge * 3 / 4 && !green; ++y) {
            const QColor pixel = drawn.pixelColor(edge / 2, y);
            green = pixel.green() > 160 && pixel.red() < 60 && pixel.blue() < 60;
        }
        QVERIFY2(green, qPrintable(QString::number(edge)));
    }
    // Every named size is drawn and sent to the display as the window is created.
    for (const QSize &size : icon.availableSizes())
        QVERIFY2(size.width() <= 64, qPrintable(QString::number(size.width())));
    QVERIFY(!icon.availableSizes().isEmpty());
}

QTEST_MAIN(PicturesTest)
#include "test_pictures.moc"
