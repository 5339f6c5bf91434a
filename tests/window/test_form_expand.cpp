#include "app/main_window.h"
#include "fakes/fake_platform.h"

#include <QPushButton>
#include <QTest>

namespace {

constexpr double Heights[] = {0, 1590, 3135, 7365};

bool nearHeight(double outer, double expected)
{
    // The outer height lands on the nearest whole pixel of the client area.
    return qAbs(outer - expected) <= 7.5;
}

// Where every control stands and whether it shows: a size change must not touch any of them.
QList<QPair<QString, QRect>> controlLayout(const QWidget &window)
{
    QList<QPair<QString, QRect>> layout;
    for (const QWidget *child : window.findChildren<QWidget *>()) {
        if (!child->objectName().isEmpty())
            layout.append(
                {child->objectName() + (child->isHidden() ? "-hidden" : ""), child->geometry()});
    }
    return layout;
}

} // namespace

class FormExpandTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void onePress_data();
    void onePress();
    void threePressesComeBack_data();
    void threePressesComeBack();
    void tallWindowNearTheBottom();
};

void FormExpandTest::onePress_data()
{
    QTest::addColumn<int>("screenHeight");
    QTest::addColumn<int>("state");
    QTest::addColumn<double>("top");
    QTest::addColumn<int>("nextState");
    QTest::addColumn<double>("nextTop");

    // 768 pixels are 11520 twips.
    QTest::newRow("compact to medium with room") << 768 << 1 << 1500.0 << 2 << 1500.0;
    QTest::newRow("medium to full with room") << 768 << 2 << 1500.0 << 3 << 1500.0;
    QTest::newRow("bottom edge one pixel above the screen's") << 768 << 1 << 8370.0 << 2 << 8370.0;
    QTest::newRow("bottom edge on the screen's") << 768 << 1 << 8385.0 << 2 << 8385.0;
    QTest::newRow("bottom edge beyond the screen's") << 768 << 1 << 10005.0 << 2 << 8385.0;
    QTest::newRow("full from a low medium") << 768 << 2 << 8385.0 << 3 << 4155.0;
    QTest::newRow("collapsing never moves") << 768 << 3 << 4155.0 << 1 << 4155.0;
    QTest::newRow("collapsing from far down") << 768 << 3 << 10005.0 << 1 << 10005.0;
    // 400 pixels are 6000 twips, less than the full height: the top goes above the screen.
    QTest::newRow("short screen, full") << 400 << 2 << 0.0 << 3 << -1365.0;
    QTest::newRow("short screen, medium fits") << 400 << 1 << 0.0 << 2 << 0.0;
    QTest::newRow("a top above the screen stays") << 400 << 2 << -3000.0 << 3 << -3000.0;
}

void FormExpandTest::onePress()
{
    QFETCH(int, screenHeight);
    QFETCH(int, state);
    QFETCH(double, top);
    QFETCH(int, nextState);
    QFETCH(double, nextTop);
    FakePlatform fakes;
    fakes.screen.heightPixels = screenHeight;
    frmMain window(fakes.platform);
    window.setWindowLeft(1200);
    window.setWindowTop(top);
    window.setWindowOuterHeight(Heights[state]);
    window.FormExpand = static_cast<int16_t>(state);
    window.cmdFormExpand->setText(QStringLiteral("x"));
    const auto layout = controlLayout(window);
    const int width = window.width();

    window.cmdFormExpand->click();
    QCOMPARE(window.FormExpand, int16_t(nextState));
    QCOMPARE(window.windowTop(), nextTop);
    QVERIFY(nearHeight(window.windowOuterHeight(), Heights[nextState]));
    QCOMPARE(window.windowLeft(), 1200.0);
    QCOMPARE(window.width(), width);
    QCOMPARE(window.cmdFormExpand->text(), QString());
    QCOMPARE(controlLayout(window), layout);
    QVERIFY(fakes.messageBox.shown.empty());
}

void FormExpandTest::threePressesComeBack_data()
{
    QTest::addColumn<int>("state");
    QTest::newRow("compact") << 1;
    QTest::newRow("medium") << 2;
    QTest::newRow("full") << 3;
}

void FormExpandTest::threePressesComeBack()
{
    QFETCH(int, state);
    FakePlatform fakes;
    frmMain window(fakes.platform);
    window.setWindowTop(3000);
    window.setWindowOuterHeight(Heights[state]);
    window.FormExpand = static_cast<int16_t>(state);
    const double outer = window.windowOuterHeight();
    for (int press = 0; press < 3; ++press)
        window.cmdFormExpand_Click();
    QCOMPARE(window.FormExpand, int16_t(state));
    QCOMPARE(window.windowOuterHeight(), outer);
    QCOMPARE(window.windowTop(), 3000.0);
}

void FormExpandTest::tallWindowNearTheBottom()
{
    // The worked example: top 10000 on a 768-pixel screen rises to 8385, then to 4155, and
    // stays at 4155 when the window collapses.
    FakePlatform fakes;
    frmMain window(fakes.platform);
    window.FormExpand = 1;
    window.setWindowTop(10000);
    const double tops[] = {8385, 4155, 4155};
    const int16_t states[] = {2, 3, 1};
    for (int press = 0; press < 3; ++press) {
        window.cmdFormExpand_Click();
        QCOMPARE(window.FormExpand, states[press]);
        QCOMPARE(window.windowTop(), tops[press]);
        QVERIFY(nearHeight(window.windowOuterHeight(), Heights[states[press]]));
        // After a growing step the bottom edge is never below the screen's.
        QVERIFY(window.windowTop() + Heights[states[press]] <= fakes.screen.heightTwips());
    }
}

QTEST_MAIN(FormExpandTest)
#include "test_form_expand.moc"
