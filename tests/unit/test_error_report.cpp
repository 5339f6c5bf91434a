#include "app/error_trap.h"
#include "fakes/fake_platform.h"

#include <QTest>

#include <new>

class ErrorReportTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void reportText_data();
    void reportText();
    void trappedFailureSkipsTheRestAndReportsOnce_data();
    void trappedFailureSkipsTheRestAndReportsOnce();
    void trappedSuccessShowsNothing();
    void resumeNextKeepsGoingAndRemembersTheError();
};

void ErrorReportTest::reportText_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("expected");
    QTest::newRow("general") << "エラーが発生しました。" << "76" << "パスが見つかりません。"
                             << "エラーが発生しました。\r\n\r\nエラー番号：76\r\nエラー内容：パスが見つかりません。";
    QTest::newRow("negative number") << "エラーが発生しました。" << "-2147467259" << "x"
                                     << "エラーが発生しました。\r\n\r\nエラー番号：-2147467259\r\nエラー内容：x";
    QTest::newRow("empty number") << "再生時にエラーが発生しました。" << "" << "y"
                                  << "再生時にエラーが発生しました。\r\n\r\nエラー番号：\r\nエラー内容：y";
    QTest::newRow("empty description") << "エラーが発生しました。" << "5" << ""
                                       << "エラーが発生しました。\r\n\r\nエラー番号：5\r\nエラー内容：";
    QTest::newRow("all empty") << "" << "" << "" << "\r\n\r\nエラー番号：\r\nエラー内容：";
}

void ErrorReportTest::reportText()
{
    QFETCH(QString, message);
    QFETCH(QString, number);
    QFETCH(QString, description);
    QFETCH(QString, expected);
    QCOMPARE(errorReportText(message, number, description), expected);

    RecordingMessageBox box;
    ReportError(box, message, number, description);
    QCOMPARE(box.shown.size(), size_t(1));
    QCOMPARE(box.shown[0].icon, MessageBoxService::Icon::Critical);
    QCOMPARE(box.shown[0].text, expected);
    // Four lines on screen: the heading, an empty line, the number and the description.
    QCOMPARE(box.shown[0].text.split(QStringLiteral("\r\n")).size(), 4);
}

void ErrorReportTest::trappedFailureSkipsTheRestAndReportsOnce_data()
{
    QTest::addColumn<int>("heading");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("expected");
    const QString noDevice =
        QStringLiteral("オーディオのハードウェアがないか、またはハードウェアが応答していません。");
    QTest::newRow("playback E_FAIL hides the number")
        << int(Heading::Playback) << ErrNo::E_FAIL_CODE
        << "再生時にエラーが発生しました。\r\n\r\nエラー番号：\r\nエラー内容：" + noDevice;
    QTest::newRow("general E_FAIL keeps its number")
        << int(Heading::General) << ErrNo::E_FAIL_CODE
        << "エラーが発生しました。\r\n\r\nエラー番号：-2147467259\r\nエラー内容：" + noDevice;
    QTest::newRow("playback other error")
        << int(Heading::Playback) << ErrNo::FileNotFound
        << "再生時にエラーが発生しました。\r\n\r\nエラー番号：53\r\nエラー内容："
               + describeError(ErrNo::FileNotFound);
    QTest::newRow("general path not found")
        << int(Heading::General) << ErrNo::PathNotFound
        << "エラーが発生しました。\r\n\r\nエラー番号：76\r\nエラー内容："
               + describeError(ErrNo::PathNotFound);
}

void ErrorReportTest::trappedFailureSkipsTheRestAndReportsOnce()
{
    QFETCH(int, heading);
    QFETCH(int, number);
    QFETCH(QString, expected);
    RecordingMessageBox box;
    QStringList steps;
    const bool succeeded = RunTrapped(box, Heading(heading), [&] {
        steps << QStringLiteral("first");
        raiseError(number);
        steps << QStringLiteral("after the failure");
    });
    QVERIFY(!succeeded);
    QCOMPARE(steps, QStringList{QStringLiteral("first")});
    QCOMPARE(box.shown.size(), size_t(1));
    QCOMPARE(box.shown[0].text, expected);
}

void ErrorReportTest::trappedSuccessShowsNothing()
{
    RecordingMessageBox box;
    int runs = 0;
    QVERIFY(RunTrapped(box, Heading::General, [&] { ++runs; }));
    QCOMPARE(runs, 1);
    QVERIFY(box.shown.empty());

    // Whatever a library throws is reported too, never let through to Qt.
    QVERIFY(!RunTrapped(box, Heading::General, [] { throw std::bad_alloc(); }));
    QVERIFY(!RunTrapped(box, Heading::General, [] { throw 42; }));
    QCOMPARE(box.shown.size(), size_t(2));
    QVERIFY(box.shown[0].text.contains(QStringLiteral("エラー番号：7\r\n")));
}

void ErrorReportTest::resumeNextKeepsGoingAndRemembersTheError()
{
    PendingError pending;
    QStringList steps;
    ResumeNext(pending, [&] { steps << "one"; });
    QVERIFY(!pending.isSet());
    ResumeNext(pending, [&] { raiseError(ErrNo::PathNotFound, QStringLiteral("/gone")); });
    ResumeNext(pending, [&] { steps << "three"; });
    QCOMPARE(steps, (QStringList{"one", "three"}));
    QVERIFY(pending.isSet());
    QCOMPARE(pending.error()->number, ErrNo::PathNotFound);
    QVERIFY(pending.description().contains(QStringLiteral("/gone")));
    pending.clear();
    QVERIFY(pending.description().isEmpty());
}

QTEST_GUILESS_MAIN(ErrorReportTest)
#include "test_error_report.moc"
