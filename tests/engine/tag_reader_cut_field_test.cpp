// ID3v1 fields as Japanese taggers left them: cut at 30 bytes, sometimes inside a character.

#include "engine_test_support.h"
#include "platform/tag_reader.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray id3v1Field(const QByteArray &text, int size)
{
    QByteArray field = text.left(size);
    field.append(size - field.size(), '\0');
    return field;
}

} // namespace

class TagReaderCutFieldTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cutFieldsReadAsTheirEncoding()
    {
        // "01 春の海 宮城道雄 箏と尺八のための二重奏曲" in Shift-JIS, cut after a lead byte.
        const QByteArray cutTitle("01 \x8f\x74\x82\xcc\x8a\x43 \x8b\x7b\x8f\xe9\x93\xb9\x97\x59 "
                                  "\xe2\xb5\x82\xc6\x8e\xda\x94\xaa\x82\xcc\x82\xbd\x82\xdf");
        QFile song(QString::fromStdString(EngineTest::fixture("tags_none.mp3").string()));
        QVERIFY(song.open(QIODevice::ReadOnly));
        const QByteArray tag = "TAG" + id3v1Field(cutTitle.left(30), 30)
            + id3v1Field("Caf\xe9 Ol\xe9", 30) + id3v1Field({}, 30) + "2001" + id3v1Field({}, 30)
            + "\xff";
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("cut.mp3"));
        QFile copy(path);
        QVERIFY(copy.open(QIODevice::WriteOnly));
        copy.write(song.readAll() + tag);
        copy.close();

        const SongTags tags = readSongTags(path.toStdString());
        QCOMPARE(tags.title, QStringLiteral("01 春の海 宮城道雄 箏と尺八の"));
        QCOMPARE(tags.author, QStringLiteral("Café Olé"));
    }
};

QTEST_GUILESS_MAIN(TagReaderCutFieldTest)
#include "tag_reader_cut_field_test.moc"
