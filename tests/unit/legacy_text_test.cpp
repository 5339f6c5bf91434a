// Tag text of unstated encoding: which reading wins for the bytes real taggers wrote.

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

        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("ASCII") << QByteArray("Take Five") << QStringLiteral("Take Five");
        QTest::newRow("ASCII with backslash and tilde")
            << QByteArray("C:\\~dir") << QStringLiteral("C:\\~dir");
        QTest::newRow("UTF-8 Japanese") << QByteArray("春の海") << QStringLiteral("春の海");
        QTest::newRow("UTF-8 accented") << QByteArray("Björk") << QStringLiteral("Björk");

        QTest::newRow("Shift-JIS kanji and kana")
            << QByteArray("\x8f\x74\x82\xcc\x8a\x43") << QStringLiteral("春の海");
        QTest::newRow("Shift-JIS name")
            << QByteArray("\x8b\x7b\x8f\xe9\x93\xb9\x97\x59") << QStringLiteral("宮城道雄");
        QTest::newRow("Shift-JIS half-width kana")
            << QByteArray("\xca\xd9\xc9\xb3\xd0") << QStringLiteral("ﾊﾙﾉｳﾐ");
        QTest::newRow("half-width kana among ASCII")
            << QByteArray("\xb6\xd7\xb5\xb9 Night") << QStringLiteral("ｶﾗｵｹ Night");
        QTest::newRow("Shift-JIS trail byte 0x5C")
            << QByteArray("\x95\x5c\x8e\xa6\x83\x5c") << QStringLiteral("表示ソ");
        QTest::newRow("Shift-JIS with ASCII")
            << QByteArray("Op.1 \x8f\x74\x82\xcc\x8a\x43") << QStringLiteral("Op.1 春の海");

        QTest::newRow("Latin-1 Björk (CP932 gives private use)")
            << QByteArray("Bj\xf6rk") << QStringLiteral("Björk");
        QTest::newRow("Latin-1 Café (CP932 lead byte at the end)")
            << QByteArray("Caf\xe9 del Mar") << QStringLiteral("Café del Mar");
        QTest::newRow("Latin-1 that is also clean CP932")
            << QByteArray("Fran\xe7oise") << QStringLiteral("Françoise");
        QTest::newRow("Latin-1 capital at a word's start")
            << QByteArray("\xc7""a va") << QStringLiteral("Ça va");
        QTest::newRow("Latin-1 lone symbols")
            << QByteArray("\xa9 1999 \xabLive\xbb") << QStringLiteral("© 1999 «Live»");
        QTest::newRow("Latin-1 Motörhead")
            << QByteArray("Mot\xf6rhead") << QStringLiteral("Motörhead");

        QTest::newRow("CP932 user-defined area falls back to Latin-1")
            << QByteArray("\xf0\x40\xf0\x41") << QString::fromLatin1("\xf0\x40\xf0\x41");
        QTest::newRow("cut Shift-JIS falls back to Latin-1")
            << QByteArray("\x8f\x74\x82") << QString::fromLatin1("\x8f\x74\x82");
        QTest::newRow("neither falls back to Latin-1")
            << QByteArray("\x81\x20") << QString::fromLatin1("\x81\x20");
        QTest::newRow("overlong UTF-8 is not UTF-8")
            << QByteArray("\xc0\xaf") << QStringLiteral("ﾀｯ");
        QTest::newRow("UTF-8 surrogate is not UTF-8")
            << QByteArray("a\xed\xa0\x80") << QString::fromLatin1("a\xed\xa0\x80");
    }

    void decodes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(decodeLegacyText(bytes), text);
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
