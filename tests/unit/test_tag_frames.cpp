// ID3v2 text frames as encoders wrote them, read through the tag reader from a song whose ID3v1
// tag has other texts: the ID3v2 frame, when it has a text, is what shows.
#include "engine/tag_reader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

QByteArray bigEndian(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray frame(int version, const QByteArray &id, const QByteArray &field)
{
    const QByteArray size = bigEndian(static_cast<quint32>(field.size()));
    return version == 2 ? id + size.right(3) + field : id + size + QByteArray(2, '\0') + field;
}

} // namespace

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
        const QByteArray field = '\x01' + text + QByteArray(2, '\0');
        const QByteArray frames = frame(version, version == 2 ? "TT2" : "TIT2", field)
            + frame(version, version == 2 ? "TP1" : "TPE1", field);
        const auto size = static_cast<quint32>(frames.size());
        const QByteArray syncsafe = bigEndian((size & 0x7f) | (size >> 7 & 0x7f) << 8
            | (size >> 14 & 0x7f) << 16 | (size >> 21) << 24);
        QFile audio(QStringLiteral(BRENLOWICK_TEST_DATA "/tags_none.mp3"));
        QVERIFY(audio.open(QIODevice::ReadOnly));
        QByteArray id3v1 = "TAG" + QByteArray("ID3v1 title").leftJustified(30, '\0')
            + QByteArray("ID3v1 artist").leftJustified(30, '\0');
        id3v1 = id3v1.leftJustified(128, '\0');
        const QTemporaryDir folder;
        QFile song(folder.filePath(QStringLiteral("song.mp3")));
        QVERIFY(song.open(QIODevice::WriteOnly));
        song.write("ID3" + QByteArray(1, char(version)) + QByteArray(2, '\0') + syncsafe + frames
            + audio.readAll() + id3v1);
        song.close();

        const SongTags tags = readSongTags(song.fileName().toStdString());
        QCOMPARE(tags.title, QStringLiteral("春"));
        QCOMPARE(tags.author, QStringLiteral("春"));
    }
};

QTEST_GUILESS_MAIN(TestTagFrames)
#include "test_tag_frames.moc"
