// ID3v2 text frames marked UTF-16 but written without a byte-order mark, as some encoders did,
// in songs whose ID3v1 tag has other texts: the frames' texts show, read big-endian.
#include "engine/tag_reader.h"

#include <QTest>

class TestTagFrames : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void unmarkedUtf16_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("ID3v2.3") << QStringLiteral("tags_id3v23_utf16_unmarked.mp3");
        QTest::newRow("ID3v2.2") << QStringLiteral("tags_id3v22_utf16_unmarked.mp3");
    }

    void unmarkedUtf16()
    {
        QFETCH(QString, file);
        const SongTags tags
            = readSongTags((QStringLiteral(BRENLOWICK_TEST_DATA "/") + file).toStdString());
        QCOMPARE(tags.title, QStringLiteral("春の海"));
        QCOMPARE(tags.author, QStringLiteral("宮城道雄"));
    }
};

QTEST_GUILESS_MAIN(TestTagFrames)
#include "test_tag_frames.moc"
