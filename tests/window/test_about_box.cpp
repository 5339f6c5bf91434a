// The About box: its texts, its single life from open to close, where it opens, and the
// credits key typed on its OK button.
#include "about/about_box.h"
#include "app/app_error.h"
#include "app/main_window.h"
#include "fakes/fake_platform.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <cmath>

namespace {

int frmAboutWindows()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        count += qobject_cast<frmAbout *>(widget) != nullptr ? 1 : 0;
    return count;
}

} // namespace

class AboutBoxTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void showsTitleVersionAndAddress();
    void onlyOneBoxAndAFreshOneAfterClosing();
    void keysThatCloseIt_data();
    void keysThatCloseIt();
    void placedAsIfTheMainWindowWereCentred_data();
    void placedAsIfTheMainWindowWereCentred();
    void compactWindowPlacesItLowerThanFull();
    void creditsKey_data();
    void creditsKey();
    void creditsKeyAfterAFailingBox();
};

void AboutBoxTest::showsTitleVersionAndAddress()
{
    FakePlatform fakes;
    frmMain window(fakes.platform);
    window.mnuAbout_Click();
    frmAbout *about = window.about();
    QVERIFY(about);

    QCOMPARE(about->windowTitle(), QStringLiteral("Brenlowickのﾊﾞｰｼﾞｮﾝ情報"));
    QCOMPARE(about->lblVersion->text(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ 1.0.2"));
    QCOMPARE(about->lblTitle->text(), QStringLiteral("Brenlowick"));
    QVERIFY(about->Frame1->title().isEmpty());
    QCOMPARE(about->Label1->parentWidget(), about->Frame1);
    QCOMPARE(about->Label2->parentWidget(), about->Frame1);
    QVERIFY(about->Label1->text().startsWith(QStringLiteral("(C) ")));
    QVERIFY(about->Label2->text().contains(QStringLiteral(".example.")));
    QCOMPARE(about->Label2->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QVERIFY(!about->picIcon->pixmap().isNull());
    QVERIFY(about->cmdOK->isDefault());
    // Modeless and without an owner: the main window stays usable behind it.
    QVERIFY(!about->isModal());
    QCOMPARE(about->parentWidget(), nullptr);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(QTest::qWaitForWindowActive(about));
    QTRY_COMPARE(QApplication::focusWidget(), about->cmdOK);
}

void AboutBoxTest::onlyOneBoxAndAFreshOneAfterClosing()
{
    FakePlatform fakes;
    frmMain window(fakes.platform);
    window.mnuAbout_Click();
    frmAbout *first = window.about();
    QTest::keyClicks(first->cmdOK, QStringLiteral("vor"));
    QCOMPARE(first->creditsProgress(), 3);
    first->move(0, 0);

    window.mnuAbout_Click();
    QCOMPARE(window.about(), first);
    QCOMPARE(frmAboutWindows(), 1);
    QVERIFY(first->pos() != QPoint(0, 0));

    first->cmdOK->click();
    QTRY_VERIFY(window.about() == nullptr);
    QCOMPARE(frmAboutWindows(), 0);

    window.mnuAbout_Click();
    QVERIFY(window.about());
    QCOMPARE(window.about()->creditsProgress(), 0);
    QCOMPARE(frmAboutWindows(), 1);
}

void AboutBoxTest::keysThatCloseIt_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
}

void AboutBoxTest::keysThatCloseIt()
{
    QFETCH(int, key);
    FakePlatform fakes;
    frmMain window(fakes.platform);
    window.mnuAbout_Click();
    QTest::keyClicks(window.about()->cmdOK, QStringLiteral("vortl").left(4));

    QTest::keyClick(window.about()->cmdOK, Qt::Key(key));

    QTRY_VERIFY(window.about() == nullptr);
    QCOMPARE(fakes.messageBox.beeps, 0);
    QVERIFY(fakes.messageBox.shown.empty());
}

void AboutBoxTest::placedAsIfTheMainWindowWereCentred_data()
{
    QTest::addColumn<bool>("mainShown");
    QTest::addColumn<int>("screenWidth");
    QTest::addColumn<int>("screenHeight");
    QTest::newRow("main window shown") << true << 1024 << 768;
    QTest::newRow("main window in the tray") << false << 1024 << 768;
    QTest::newRow("larger screen") << false << 1920 << 1080;
}

void AboutBoxTest::placedAsIfTheMainWindowWereCentred()
{
    QFETCH(bool, mainShown);
    QFETCH(int, screenWidth);
    QFETCH(int, screenHeight);
    FakePlatform fakes;
    fakes.screen.widthPixels = screenWidth;
    fakes.screen.heightPixels = screenHeight;
    frmMain window(fakes.platform);
    window.setWindowOuterHeight(1590);
    window.move(3, 5);
    if (mainShown)
        window.show();

    window.mnuAbout_Click();

    const double top = screenHeight * 15 / 2.0 - window.windowOuterHeight() / 2.0;
    const double left = screenWidth * 15 / 2.0 - window.windowOuterWidth() / 2.0;
    QCOMPARE(window.about()->pos(),
             QPoint(int(std::lround(left / 15)), int(std::lround(top / 15))));
    QCOMPARE(window.isVisible(), mainShown);
}

void AboutBoxTest::compactWindowPlacesItLowerThanFull()
{
    FakePlatform fakes;
    frmMain window(fakes.platform);
    window.setWindowOuterHeight(7365);
    const double fullHeight = window.windowOuterHeight();
    window.mnuAbout_Click();
    const int fullTop = window.about()->y();

    window.setWindowOuterHeight(1590);
    const double compactHeight = window.windowOuterHeight();
    window.mnuAbout_Click();
    const int compactTop = window.about()->y();

    // Lower by half the difference of the heights (in pixels, give or take the rounding).
    const double expected = (fullHeight - compactHeight) / 2.0 / 15.0;
    QVERIFY2(std::abs(compactTop - fullTop - expected) <= 1.0,
             qPrintable(QStringLiteral("%1 -> %2").arg(fullTop).arg(compactTop)));
    QVERIFY(expected > 180);
}

void AboutBoxTest::creditsKey_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("credits");
    QTest::addColumn<int>("progress");
    QTest::newRow("the key") << QStringLiteral("vortl") << 1 << 0;
    QTest::newRow("in capitals") << QStringLiteral("VORTL") << 1 << 0;
    QTest::newRow("mixed case") << QStringLiteral("VoRtL") << 1 << 0;
    QTest::newRow("first letter twice") << QStringLiteral("vvortl") << 0 << 0;
    QTest::newRow("first letter twice, then the key")
        << QStringLiteral("vvortlvortl") << 1 << 0;
    QTest::newRow("the key twice") << QStringLiteral("vortlvortl") << 2 << 0;
    QTest::newRow("a digit in the middle") << QStringLiteral("vo1rtl") << 0 << 0;
    QTest::newRow("a digit, then the key") << QStringLiteral("vo1vortl") << 1 << 0;
    QTest::newRow("a letter out of order") << QStringLiteral("vrotl") << 0 << 0;
    QTest::newRow("not finished") << QStringLiteral("vort") << 0 << 4;
    QTest::newRow("a space resets") << QStringLiteral("vo rtl") << 0 << 0;
}

void AboutBoxTest::creditsKey()
{
    QFETCH(QString, typed);
    QFETCH(int, credits);
    QFETCH(int, progress);
    FakePlatform fakes;
    frmMain window(fakes.platform);
    window.mnuAbout_Click();
    frmAbout *about = window.about();
    int progressWhileShown = -1;
    fakes.messageBox.onShow = [&](const QString &) {
        progressWhileShown = about->creditsProgress();
    };

    // Typed one key at a time; a space would press the button, so it goes straight in.
    for (const QChar c : typed) {
        if (c == QLatin1Char(' '))
            about->cmdOK_KeyPress(U' ');
        else
            QTest::keyClicks(about->cmdOK, QString(c));
    }

    QCOMPARE(int(fakes.messageBox.shown.size()), credits);
    QCOMPARE(fakes.messageBox.beeps, 2 * credits);
    for (const auto &shown : fakes.messageBox.shown) {
        QCOMPARE(shown.icon, MessageBoxService::Icon::Information);
        QVERIFY(shown.text.startsWith(QStringLiteral("Presented by ")));
        QCOMPARE(shown.text.count(QLatin1Char('&')), 1);
    }
    if (credits)
        QCOMPARE(progressWhileShown, 5);
    QCOMPARE(about->creditsProgress(), progress);
    QCOMPARE(window.about(), about);
}

void AboutBoxTest::creditsKeyAfterAFailingBox()
{
    FakePlatform fakes;
    frmMain window(fakes.platform);
    window.mnuAbout_Click();
    frmAbout *about = window.about();
    bool fail = true;
    fakes.messageBox.onShow = [&](const QString &) {
        if (std::exchange(fail, false))
            raiseError(ErrNo::OutOfMemory);
    };

    QTest::keyClicks(about->cmdOK, QStringLiteral("vortl"));
    QCOMPARE(about->creditsProgress(), 0);
    QTest::keyClicks(about->cmdOK, QStringLiteral("vortl"));

    QCOMPARE(fakes.messageBox.shown.size(), size_t(2));
    QCOMPARE(fakes.messageBox.beeps, 4);
}

QTEST_MAIN(AboutBoxTest)
#include "test_about_box.moc"
