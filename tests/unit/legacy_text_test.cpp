// Tag text of unstated encoding: which reading wins for the bytes real taggers wrote, in a
// frame of its own size and in a fixed-size field whose writer may have cut a character.

#include "playback/legacy_text.h"

#include <QTest>

class LegacyTextTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        // The reading as a fixed-size field, where it differs.
        QTest::addColumn<QString>("fieldText");

        QTest::newRow("empty") << QByteArray() << QString() << QString();
        QTest::newRow("ASCII")
            << QByteArray("Take Five") << QStringLiteral("Take Five") << QString();
        QTest::newRow("ASCII with backslash and tilde")
            << QByteArray("C:\\~dir") << QStringLiteral("C:\\~dir") << QString();
        QTest::newRow("UTF-8 Japanese") << QByteArray("春の海") << QStringLiteral("春の海") << QString();
        QTest::newRow("UTF-8 accented")
            << QByteArray("Björk") << QStringLiteral("Björk") << QString();

        QTest::newRow("Shift-JIS kanji and kana")
            << QByteArray("\x8f\x74\x82\xcc\x8a\x43") << QStringLiteral("春の海") << QString();
        QTest::newRow("Shift-JIS name")
            << QByteArray("\x8b\x7b\x8f\xe9\x93\xb9\x97\x59") << QStringLiteral("宮城道雄")
            << QString();
        QTest::newRow("Shift-JIS half-width kana")
            << QByteArray("\xca\xd9\xc9\xb3\xd0") << QStringLiteral("ﾊﾙﾉｳﾐ") << QString();
        QTest::newRow("half-width kana among ASCII")
            << QByteArray("\xb6\xd7\xb5\xb9 Night") << QStringLiteral("ｶﾗｵｹ Night") << QString();
        QTest::newRow("Shift-JIS trail byte 0x5C")
            << QByteArray("\x95\x5c\x8e\xa6\x83\x5c") << QStringLiteral("表示ソ") << QString();
        QTest::newRow("Shift-JIS with ASCII")
            << QByteArray("Op.1 \x8f\x74\x82\xcc\x8a\x43") << QStringLiteral("Op.1 春の海")
            << QString();

        QTest::newRow("Latin-1 Björk (CP932 gives private use)")
            << QByteArray("Bj\xf6rk") << QStringLiteral("Björk") << QString();
        QTest::newRow("Latin-1 Café (CP932 lead byte at the end)")
            << QByteArray("Caf\xe9 del Mar") << QStringLiteral("Café del Mar") << QString();
        QTest::newRow("Latin-1 that is also clean CP932")
            << QByteArray("Fran\xe7oise") << QStringLiteral("Françoise") << QString();
        QTest::newRow("Latin-1 capital at a word's start")
            << QByteArray("\xc7""a va") << QStringLiteral("Ça va") << QString();
        QTest::newRow("Latin-1 lone symbols")
            << QByteArray("\xa9 1999 \xabLive\xbb") << QStringLiteral("© 1999 «Live»") << QString();
        QTest::newRow("Latin-1 Motörhead")
            << QByteArray("Mot\xf6rhead") << QStringLiteral("Motörhead") << QString();

        QTest::newRow("CP932 user-defined area falls back to Latin-1")
            << QByteArray("\xf0\x40\xf0\x41") << QString::fromLatin1("\xf0\x40\xf0\x41")
            << QString();
        QTest::newRow("cut Shift-JIS falls back to Latin-1")
            << QByteArray("\x8f\x74\x82") << QString::fromLatin1("\x8f\x74\x82")
            << QStringLiteral("春");
        QTest::newRow("neither falls back to Latin-1")
            << QByteArray("\x81\x20") << QString::fromLatin1("\x81\x20") << QString();
        QTest::newRow("overlong UTF-8 is not UTF-8")
            << QByteArray("\xc0\xaf") << QStringLiteral("ﾀｯ") << QString();
        QTest::newRow("UTF-8 surrogate is not UTF-8")
            << QByteArray("a\xed\xa0\x80") << QString::fromLatin1("a\xed\xa0\x80") << QString();

        // Fields of 30 bytes cut by their writer; a frame holds its whole text, so the same
        // bytes there are not taken for a cut.
        QTest::newRow("Shift-JIS title cut after a lead byte")
            << QByteArray("01 \x8f\x74\x82\xcc\x8a\x43 \x8b\x7b\x8f\xe9\x93\xb9\x97\x59 "
                          "\xe2\xb5\x82\xc6\x8e\xda\x94\xaa\x82\xcc\x82")
            << QString::fromLatin1("01 \x8f\x74\x82\xcc\x8a\x43 \x8b\x7b\x8f\xe9\x93\xb9\x97\x59 "
                                   "\xe2\xb5\x82\xc6\x8e\xda\x94\xaa\x82\xcc\x82")
            << QStringLiteral("01 春の海 宮城道雄 箏と尺八の");
        QTest::newRow("ASCII then a cut character")
            << QByteArray("Op.1\x82") << QString::fromLatin1("Op.1\x82") << QStringLiteral("Op.1");
        QTest::newRow("UTF-8 title cut inside a character")
            << QByteArray("\xe3\x83\x93\xe3\x83\xbc\xe3\x83\x88 \xe3\x82\xb8\xe3\x83")
            << QString::fromLatin1("\xe3\x83\x93\xe3\x83\xbc\xe3\x83\x88 \xe3\x82\xb8\xe3\x83")
            << QStringLiteral("ビート ジ");
        QTest::newRow("Latin-1 ending in an accented letter keeps it")
            << QByteArray("Caf\xe9") << QStringLiteral("Café") << QString();
        QTest::newRow("Latin-1 words ending in an accented letter keep it")
            << QByteArray("Caf\xe9 Ol\xe9") << QStringLiteral("Café Olé") << QString();
        QTest::newRow("Latin-1 elision ending in an accented letter")
            << QByteArray("C'\xe8") << QStringLiteral("C'è") << QString();
        QTest::newRow("Latin-1 one-letter word at the end")
            << QByteArray("Voyage \xe0") << QStringLiteral("Voyage à") << QString();
        // Half-width katakana whose bytes also form UTF-8 lead and trail bytes, cut or whole,
        // and UTF-8 whose bytes also read as clean CP932.
        QTest::newRow("half-width kana that read as cut UTF-8")
            << QByteArray("\xc3\xbd\xc4\xbf\xdd\xb8\xde") << QStringLiteral("ﾃｽﾄｿﾝｸﾞ") << QString();
        QTest::newRow("half-width kana that read as UTF-8")
            << QByteArray("\xc3\xbd\xc4\xbf\xdd\xb8") << QStringLiteral("ﾃｽﾄｿﾝｸ") << QString();
        QTest::newRow("UTF-8 Cyrillic")
            << QByteArray("\xd0\xb2\xd0\xbe\xd0\xb4\xd0\xb0") << QStringLiteral("вода") << QString();
        QTest::newRow("UTF-8 kana cut inside a character")
            << QByteArray("\xe3\x81\xae\xe3\x81\xae \xe3\x81") << QStringLiteral("縺ｮ縺ｮ 縺")
            << QStringLiteral("のの ");
        QTest::newRow("a second half equal to a lead byte is no cut")
            << QByteArray("\x8f\x74\x82\x9f") << QStringLiteral("春ぁ") << QString();
    }

    void decodes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(QString, fieldText);
        QCOMPARE(decodeLegacyText(bytes), text);
        QCOMPARE(decodeFixedFieldText(bytes), fieldText.isNull() ? text : fieldText);
    }

    void longInputStaysFast()
    {
        // A hostile frame of a megabyte of accented letters must not take quadratic time.
        const QByteArray bytes(1 << 20, '\xe9');
        QCOMPARE(decodeLegacyText(bytes).size(), bytes.size() / 2);
    }
};

QTEST_GUILESS_MAIN(LegacyTextTest)
#include "legacy_text_test.moc"
