#include "desktop/mpris_rules.h"

#include <QTest>

#include <cmath>
#include <limits>

// The conversions at the edges that a well-behaved window never produces, but a broken file
// or a careless client can.
class MprisRulesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void microseconds_data();
    void microseconds();
    void seekAtTheLimits_data();
    void seekAtTheLimits();
};

void MprisRulesTest::microseconds_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<qint64>("micro");

    QTest::newRow("rounded to the nearest") << 1.0000004 << qint64(1000000);
    QTest::newRow("half rounds up") << 0.0000025 << qint64(3);
    QTest::newRow("zero") << 0.0 << qint64(0);
    QTest::newRow("negative") << -3.0 << qint64(0);
    QTest::newRow("not a number") << std::nan("") << qint64(0);
    QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << qint64(0);
    QTest::newRow("beyond 64 bits") << 1e300 << std::numeric_limits<qint64>::max() / 2;
}

void MprisRulesTest::microseconds()
{
    QFETCH(double, seconds);
    QFETCH(qint64, micro);
    QCOMPARE(Mpris::toMicroseconds(seconds), micro);
}

void MprisRulesTest::seekAtTheLimits_data()
{
    QTest::addColumn<qint64>("position");
    QTest::addColumn<qint64>("offset");
    QTest::addColumn<qint64>("length");
    QTest::addColumn<bool>("goNext");
    QTest::addColumn<qint64>("target");

    constexpr qint64 most = std::numeric_limits<qint64>::max();
    constexpr qint64 least = std::numeric_limits<qint64>::min();
    QTest::newRow("to the very end stays")
        << qint64(5) << qint64(5) << qint64(10) << false << qint64(10);
    QTest::newRow("one past the end moves on")
        << qint64(5) << qint64(6) << qint64(10) << true << qint64(0);
    QTest::newRow("largest offset") << qint64(5) << most << qint64(10) << true << qint64(0);
    QTest::newRow("smallest offset") << qint64(5) << least << qint64(10) << false << qint64(0);
    // A song of unknown length (0) cannot be sought into; forward means the next song.
    QTest::newRow("unknown length, back")
        << qint64(0) << qint64(-1) << qint64(0) << false << qint64(0);
    QTest::newRow("unknown length, forward")
        << qint64(0) << qint64(1) << qint64(0) << true << qint64(0);
}

void MprisRulesTest::seekAtTheLimits()
{
    QFETCH(qint64, position);
    QFETCH(qint64, offset);
    QFETCH(qint64, length);
    QFETCH(bool, goNext);
    QFETCH(qint64, target);
    QCOMPARE(Mpris::seekOutcome(position, offset, length), (Mpris::SeekOutcome {goNext, target}));
}

QTEST_MAIN(MprisRulesTest)
#include "test_mpris_rules.moc"
