#include "playback/transport_rules.h"

#include <QTest>

namespace {

// "on"/"off"/"-" per command, play to next: a table row reads like the enabling table.
TransportEnabling enabling(const char *pattern)
{
    TransportEnabling result;
    const QList<QByteArray> words = QByteArray(pattern).split(' ');
    for (qsizetype index = 0; index < words.size(); ++index) {
        if (words[index] == "on")
            result.commands[index] = true;
        else if (words[index] == "off")
            result.commands[index] = false;
    }
    return result;
}

} // namespace

Q_DECLARE_METATYPE(TransportEnabling)
Q_DECLARE_METATYPE(ListStep)

namespace QTest {
template<>
char *toString(const TransportEnabling &value)
{
    QByteArray text;
    for (const auto &command : value.commands)
        text += command ? (*command ? "on " : "off ") : "- ";
    return qstrdup(text.trimmed().constData());
}
template<>
char *toString(const ListStep &value)
{
    return qstrdup(QByteArray("reset=") + (value.resetCurrentSong ? "yes" : "no") + " select="
                   + (value.select ? QByteArray::number(*value.select) : QByteArray("none")));
}
} // namespace QTest

class TransportRulesTest : public QObject
{
    Q_OBJECT
private slots:
    void selectionSetsPreviousAndNext_data()
    {
        QTest::addColumn<int32_t>("loop");
        QTest::addColumn<int32_t>("selected");
        QTest::addColumn<int32_t>("count");
        QTest::addColumn<TransportEnabling>("expected");
        QTest::newRow("first, loop off") << 0 << 0 << 12 << enabling("- - - off on");
        QTest::newRow("middle, loop off") << 0 << 5 << 12 << enabling("- - - on on");
        QTest::newRow("last, loop off") << 0 << 11 << 12 << enabling("- - - on off");
        QTest::newRow("only, loop off") << 0 << 0 << 1 << enabling("- - - off off");
        QTest::newRow("first, loop on") << 1 << 0 << 12 << enabling("- - - on on");
        QTest::newRow("last, loop on") << 1 << 11 << 12 << enabling("- - - on on");
        QTest::newRow("only, loop on") << 1 << 0 << 1 << enabling("- - - on on");
        QTest::newRow("only, loop grey counts as on") << 2 << 0 << 1 << enabling("- - - on on");
    }
    void selectionSetsPreviousAndNext()
    {
        QFETCH(int32_t, loop);
        QFETCH(int32_t, selected);
        QFETCH(int32_t, count);
        QFETCH(TransportEnabling, expected);
        QCOMPARE(enablingForSelection(loop, selected, count), expected);
    }

    void commandsSetOnlyPause_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<TransportEnabling>("expected");
        QTest::newRow("play") << 0 << enabling("- on - - -");
        QTest::newRow("pause keeps itself enabled") << 1 << enabling("- - - - -");
        QTest::newRow("stop") << 2 << enabling("- off - - -");
        QTest::newRow("previous") << 3 << enabling("- - - - -");
        QTest::newRow("next") << 4 << enabling("- - - - -");
        QTest::newRow("out of range") << 5 << enabling("- - - - -");
        QTest::newRow("negative") << -1 << enabling("- - - - -");
    }
    void commandsSetOnlyPause()
    {
        QFETCH(int, index);
        QFETCH(TransportEnabling, expected);
        QCOMPARE(enablingAfterCommand(static_cast<int16_t>(index)), expected);
    }

    void newListSetsAllFive()
    {
        QCOMPARE(enablingForNewList(true), enabling("on on on on on"));
        QCOMPARE(enablingForNewList(false), enabling("off off off off off"));
    }

    void previousMovesBack_data()
    {
        QTest::addColumn<int32_t>("loop");
        QTest::addColumn<int32_t>("current");
        QTest::addColumn<int32_t>("selected");
        QTest::addColumn<int32_t>("count");
        QTest::addColumn<ListStep>("expected");
        QTest::newRow("middle") << 0 << 4 << 4 << 12 << ListStep{false, 3};
        QTest::newRow("follows the selection, not the current song")
            << 0 << 4 << 7 << 12 << ListStep{false, 6};
        QTest::newRow("first, loop on wraps to the last") << 1 << 0 << 0 << 12 << ListStep{false, 11};
        QTest::newRow("first, loop off stays") << 0 << 0 << 0 << 12 << ListStep{};
        QTest::newRow("first, loop grey is not exactly on") << 2 << 0 << 0 << 12 << ListStep{};
        QTest::newRow("after next wrapped with loop off") << 1 << 0 << 11 << 12 << ListStep{false, 11};
        QTest::newRow("no list, loop on") << 1 << 0 << -1 << 0 << ListStep{};
    }
    void previousMovesBack()
    {
        QFETCH(int32_t, loop);
        QFETCH(int32_t, current);
        QFETCH(int32_t, selected);
        QFETCH(int32_t, count);
        QFETCH(ListStep, expected);
        QCOMPARE(previousSongStep(loop, current, selected, count), expected);
    }

    void nextMovesOn_data()
    {
        QTest::addColumn<int32_t>("loop");
        QTest::addColumn<int32_t>("current");
        QTest::addColumn<int32_t>("selected");
        QTest::addColumn<int32_t>("lastSong");
        QTest::addColumn<ListStep>("expected");
        QTest::newRow("middle") << 0 << 4 << 4 << 11 << ListStep{false, 5};
        QTest::newRow("last, loop on wraps") << 1 << 11 << 11 << 11 << ListStep{true, 0};
        QTest::newRow("last, loop off only resets") << 0 << 11 << 11 << 11 << ListStep{true, {}};
        QTest::newRow("last, loop grey only resets") << 2 << 11 << 11 << 11 << ListStep{true, {}};
        QTest::newRow("only song, loop on restarts it") << 1 << 0 << 0 << 0 << ListStep{true, 0};
        // Next on the last song with loop off leaves it playing with the current song at 0;
        // pressed again, nothing lies after the selection.
        QTest::newRow("again after wrapping, loop off") << 0 << 0 << 11 << 11 << ListStep{true, {}};
        QTest::newRow("again after wrapping, loop on") << 1 << 0 << 11 << 11 << ListStep{true, 0};
        QTest::newRow("no list") << 1 << 0 << -1 << -1 << ListStep{};
    }
    void nextMovesOn()
    {
        QFETCH(int32_t, loop);
        QFETCH(int32_t, current);
        QFETCH(int32_t, selected);
        QFETCH(int32_t, lastSong);
        QFETCH(ListStep, expected);
        QCOMPARE(nextSongStep(loop, current, selected, lastSong), expected);
    }
};

QTEST_MAIN(TransportRulesTest)
#include "test_transport_rules.moc"
