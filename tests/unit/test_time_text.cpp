#include "app/app_error.h"
#include "playback/round_half_even.h"
#include "playback/time_text.h"

#include <QTest>

#include <limits>

class TimeTextTest : public QObject
{
    Q_OBJECT
private slots:
    void formatsSeconds_data()
    {
        QTest::addColumn<int32_t>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0 << "00:00:00";
        QTest::newRow("under a minute") << 59 << "00:00:59";
        QTest::newRow("one minute one") << 61 << "00:01:01";
        QTest::newRow("last second of the hour") << 3599 << "00:59:59";
        QTest::newRow("one hour") << 3600 << "01:00:00";
        QTest::newRow("hour minute second") << 3661 << "01:01:01";
        QTest::newRow("three-digit hours") << 360000 << "100:00:00";
        QTest::newRow("negative") << -1 << "0:00";
        QTest::newRow("most negative") << std::numeric_limits<int32_t>::min() << "0:00";
        QTest::newRow("largest") << std::numeric_limits<int32_t>::max() << "596523:14:07";
    }
    void formatsSeconds()
    {
        QFETCH(int32_t, seconds);
        QFETCH(QString, text);
        QCOMPARE(formatTimeText(seconds), text);
    }

    void roundsHalvesToEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int32_t>("rounded");
        QTest::newRow("12.5 down to even") << 12.5 << 12;
        QTest::newRow("13.5 up to even") << 13.5 << 14;
        QTest::newRow("0.5 to zero") << 0.5 << 0;
        QTest::newRow("1.5 to two") << 1.5 << 2;
        QTest::newRow("just below a half") << 12.499999 << 12;
        QTest::newRow("just above a half") << 12.500001 << 13;
        QTest::newRow("whole") << 200.0 << 200;
        QTest::newRow("negative half") << -0.5 << 0;
        QTest::newRow("negative one and a half") << -1.5 << -2;
        QTest::newRow("negative two and a half") << -2.5 << -2;
        QTest::newRow("top of the range") << 2147483647.4 << std::numeric_limits<int32_t>::max();
        QTest::newRow("bottom of the range") << -2147483648.0 << std::numeric_limits<int32_t>::min();
    }
    void roundsHalvesToEven()
    {
        QFETCH(double, value);
        QFETCH(int32_t, rounded);
        QCOMPARE(roundHalfEven(value), rounded);
    }

    void rejectsWhatDoesNotFit_data()
    {
        QTest::addColumn<double>("value");
        QTest::newRow("past the top") << 2147483647.5;
        QTest::newRow("past the bottom") << -2147483649.0;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity();
    }
    void rejectsWhatDoesNotFit()
    {
        QFETCH(double, value);
        try {
            (void)roundHalfEven(value);
            QFAIL("no error raised");
        } catch (const AppError &error) {
            QCOMPARE(error.number(), ErrNo::Overflow);
        }
    }
};

QTEST_MAIN(TimeTextTest)
#include "test_time_text.moc"
