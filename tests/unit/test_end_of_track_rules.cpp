#include "playback/end_of_track_rules.h"

#include <QTest>

Q_DECLARE_METATYPE(EndOfTrackStep)

namespace QTest {
template<>
char *toString(const EndOfTrackStep &value)
{
    const char *kinds[] = {"restart", "select", "halt"};
    return qstrdup(QByteArray(kinds[static_cast<int>(value.kind)]) + ' '
                   + QByteArray::number(value.entry));
}
} // namespace QTest

namespace {
const EndOfTrackStep Restart{EndOfTrackStep::Kind::RestartSame};
const EndOfTrackStep Halt{EndOfTrackStep::Kind::Halt};
EndOfTrackStep select(int32_t entry)
{
    return {EndOfTrackStep::Kind::SelectEntry, entry};
}
} // namespace

class EndOfTrackRulesTest : public QObject
{
    Q_OBJECT
private slots:
    void decidesWhatFollows_data()
    {
        QTest::addColumn<int32_t>("repeat");
        QTest::addColumn<int32_t>("loop");
        QTest::addColumn<int32_t>("current");
        QTest::addColumn<int32_t>("selected");
        QTest::addColumn<int32_t>("lastSong");
        QTest::addColumn<EndOfTrackStep>("expected");
        QTest::newRow("repeat") << 1 << 0 << 3 << 3 << 11 << Restart;
        QTest::newRow("repeat wins over loop") << 1 << 1 << 11 << 11 << 11 << Restart;
        QTest::newRow("repeat grey counts as on") << 2 << 0 << 3 << 3 << 11 << Restart;
        QTest::newRow("loop, middle") << 0 << 1 << 3 << 3 << 11 << select(4);
        QTest::newRow("loop, last wraps to first") << 0 << 1 << 11 << 11 << 11 << select(0);
        QTest::newRow("loop, only song again") << 0 << 1 << 0 << 0 << 0 << select(0);
        QTest::newRow("loop grey counts as on") << 0 << 2 << 3 << 3 << 11 << select(4);
        QTest::newRow("loop follows the selection") << 0 << 1 << 0 << 5 << 11 << select(6);
        // The last song plays with the current song at 0 after next wrapped with loop off.
        QTest::newRow("loop, last after wrapping") << 0 << 1 << 0 << 11 << 11 << select(0);
        QTest::newRow("neither, middle") << 0 << 0 << 3 << 3 << 11 << Halt;
        QTest::newRow("neither, last") << 0 << 0 << 11 << 11 << 11 << Halt;
        QTest::newRow("stale end without a list") << 1 << 1 << 0 << -1 << -1 << Halt;
    }
    void decidesWhatFollows()
    {
        QFETCH(int32_t, repeat);
        QFETCH(int32_t, loop);
        QFETCH(int32_t, current);
        QFETCH(int32_t, selected);
        QFETCH(int32_t, lastSong);
        QFETCH(EndOfTrackStep, expected);
        QCOMPARE(stepAtEndOfTrack(repeat, loop, current, selected, lastSong), expected);
    }

    void repeatTakesTheLoopBoxOnlyWhenFullyChecked()
    {
        QVERIFY(loopBoxEnabled(0));
        QVERIFY(!loopBoxEnabled(1));
        QVERIFY(loopBoxEnabled(2));
    }
};

QTEST_MAIN(EndOfTrackRulesTest)
#include "test_end_of_track_rules.moc"
