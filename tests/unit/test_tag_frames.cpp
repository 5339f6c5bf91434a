// ID3v2 text frames marked UTF-16 as encoders wrote them, read from a song whose ID3v1 tag has
// another title: the ID3v2 frame, when it has a text, is what shows.
#include "engine/tag_reader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

class TestTagFrames : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void utf16Frames_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("ID3v2.3, little-endian with its mark")
            << 3 << QByteArray("\xff\xfe\x25\x66");
        QTest::newRow("ID3v2.3, big-endian with its mark") << 3 << QByteArray("\xfe\xff\x66\x25");
        QTest::newRow("ID3v2.3 without a mark") << 3 << QByteArray("\x66\x25");
        QTest::newRow("ID3v2.2 without a mark") << 2 << QByteArray("\x66\x25");
        QTest::newRow("without a mark, two texts") << 3 << QByteArray("\x66\x25\0\0\x59\x0f", 6);
    }

    void utf16Frames()
    {
        QFETCH(int, version);
        QFETCH(QByteArray, text);
        QByteArray frames;
        for (const QByteArray &id :
            version == 2 ? QByteArrayList {"TT2", "TP1"} : QByteArrayList {"TIT2", "TPE1"}) {
            QByteArray size(4, '\0');
            qToBigEndian<quint32>(text.size() + 3, size.data());
            frames += version == 2 ? id + size.right(3) : id + size + QByteArray(2, '\0');
            frames += '\x01' + text + QByteArray(2, '\0');
        }
        QFile audio(QStringLiteral(BRENLOWICK_TEST_DATA "/tags_none.mp3"));
        QVERIFY(audio.open(QIODevice::ReadOnly));
        const QTemporaryDir folder;
        QFile song(folder.filePath(QStringLiteral("song.mp3")));
        QVERIFY(song.open(QIODevice::WriteOnly));
        // A tag this small has the same size in the header's seven-bit bytes.
        song.write("ID3" + QByteArray(1, char(version)) + QByteArray(5, '\0') + char(frames.size())
            + frames + audio.readAll() + QByteArray("TAGID3v1 title").leftJustified(128, '\0'));
        song.close();

        const SongTags tags = readSongTags(song.fileName().toStdString());
        QCOMPARE(tags.title, QStringLiteral("春"));
        QCOMPARE(tags.author, QStringLiteral("春"));
    }
};

QTEST_GUILESS_MAIN(TestTagFrames)
#include "test_tag_frames.moc"
