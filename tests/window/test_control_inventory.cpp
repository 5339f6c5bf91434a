#include "app/main_window.h"
#include "fakes/fake_platform.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// The window's controls as the user sees them: names, texts, places and first states.
class ControlInventoryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void control_data();
    void control();
    void displayIsGreenOnBlack();
    void fontsAndInitialTexts();
    void popupMenuTree();
    void windowFacts();

private:
    FakePlatform *m_fakes = nullptr;
    frmMain *m_window = nullptr;
};

void ControlInventoryTest::init()
{
    m_fakes = new FakePlatform;
    m_window = new frmMain(m_fakes->platform);
}

void ControlInventoryTest::cleanup()
{
    delete m_window;
    delete m_fakes;
}

void ControlInventoryTest::control_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("tooltip");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<bool>("enabled");
    const QString none;
    auto row = [](const char *name, const QString &parent, const QString &caption,
                  const QString &tip, QRect twips, bool enabled) {
        QTest::newRow(name) << QString::fromLatin1(name) << parent << caption << tip << twips
                            << enabled;
    };
    const QString main = QStringLiteral("frmMain");
    row("cmdEnd", main, none, "終了します", {3450, 705, 330, 330}, true);
    row("cmdPlayPanel_4", main, none, "次の曲に移動します", {1485, 705, 330, 330}, false);
    row("cmdPlayPanel_3", main, none, "前の曲に移動します", {1170, 705, 330, 330}, false);
    row("cmdPlayPanel_2", main, none, "停止します", {750, 705, 330, 330}, false);
    row("cmdPlayPanel_1", main, none, "一時停止します", {435, 705, 330, 330}, false);
    row("cmdPlayPanel_0", main, none, "再生します", {120, 705, 330, 330}, false);
    row("cmdFormExpand", main, none, "画面サイズを変更します", {1935, 705, 330, 330}, true);
    row("chkRandom", main, "ファイルをランダム順に取得する", "曲順をランダムに取得ます",
        {270, 5415, 2850, 315}, true);
    row("chkAutoPlay", main, "再生を開始する", "再生を開始します", {1935, 5955, 1515, 345}, true);
    row("chkMinimum", main, "最小化する", "最小化した状態で起動します", {1935, 6270, 1185, 360},
        true);
    row("Slider", main, none, none, {15, 540, 3855, 165}, true);
    row("SongList", main, none, none, {30, 1260, 3795, 1320}, false);
    row("cmdGetFiles", main, "ファイル取得", "ファイルを検索し曲リストを生成します",
        {180, 4800, 3525, 315}, true);
    row("Frame1", main, "再生モード", none, {270, 5775, 1455, 915}, true);
    row("chkPlayRepeat", "Frame1", "リピート", "１曲を繰り返し再生します", {135, 240, 1005, 255},
        true);
    row("chkPlayLoop", "Frame1", "ループ", "曲リスト内を繰り返し再生します", {135, 540, 870, 255},
        true);
    row("DirTree", main, none, none, {45, 3150, 3795, 1560}, true);
    row("Drive", main, none, none, {45, 2790, 3795, 300}, true);
    row("Frame2", main, "起動時", none, {1800, 5775, 1770, 900}, true);
    row("Frame3", main, "オプション", none, {135, 5190, 3585, 1605}, true);
    row("imgIcon", main, none, none, {4365, 465, 480, 480}, true);
    row("lblArtist", main, none, none, {1530, 60, 2265, 195}, true);
    row("Label2", main, "Artist：", none, {990, 45, 555, 195}, true);
    row("Label1", main, "Title：", none, {1080, 270, 420, 195}, true);
    row("lblTitle", main, none, none, {1530, 270, 2265, 195}, true);
    row("lblPivot", main, "----/----", none, {30, 300, 870, 195}, true);
    row("lblCount", main, "00:00:00", none, {60, 30, 840, 270}, true);
    row("lblBack", main, none, none, {-120, -210, 4095, 705}, true);
}

void ControlInventoryTest::control()
{
    QFETCH(QString, name);
    QFETCH(QString, parentName);
    QFETCH(QString, caption);
    QFETCH(QString, tooltip);
    QFETCH(QRect, twips);
    QFETCH(bool, enabled);

    auto *widget = m_window->findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(widget->parentWidget()->objectName(), parentName);
    QCOMPARE(widget->toolTip(), tooltip);
    QCOMPARE(widget->isEnabled(), enabled);
    // 15 twips to the pixel on the fake screen.
    QCOMPARE(widget->geometry(), QRect(qRound(twips.x() / 15.0), qRound(twips.y() / 15.0),
                                       qRound(twips.width() / 15.0), qRound(twips.height() / 15.0)));
    QString text;
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        text = button->text();
    else if (auto *label = qobject_cast<QLabel *>(widget))
        text = label->text();
    else if (auto *frame = qobject_cast<QGroupBox *>(widget))
        text = frame->title();
    QCOMPARE(text, caption);
}

void ControlInventoryTest::displayIsGreenOnBlack()
{
    for (QLabel *label : {m_window->lblArtist, m_window->Label2, m_window->Label1,
                          m_window->lblTitle, m_window->lblPivot, m_window->lblCount}) {
        QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 255, 0));
        QCOMPARE(label->palette().color(QPalette::Window), QColor(Qt::black));
        QVERIFY(label->autoFillBackground());
    }
    QCOMPARE(m_window->lblBack->palette().color(QPalette::Window), QColor(Qt::black));
}

void ControlInventoryTest::fontsAndInitialTexts()
{
    const QStringList families = {"MS PGothic", "IPAPGothic", "Noto Sans CJK JP"};
    QCOMPARE(m_window->lblCount->font().pointSizeF(), 12.0);
    QCOMPARE(m_window->lblPivot->font().pointSizeF(), 8.25);
    QCOMPARE(m_window->lblBack->font().pointSizeF(), 9.75);
    QCOMPARE(m_window->cmdFormExpand->font().pointSizeF(), 9.75);
    // The most preferred Gothic face that is installed, named alone: a second name would make
    // the toolkit work out a fallback list for every text it measures.
    const QStringList installed = QFontDatabase::families();
    QStringList expected;
    for (const QString &family : families) {
        if (installed.contains(family, Qt::CaseInsensitive)) {
            expected = {family};
            break;
        }
    }
    if (expected.isEmpty())
        expected = families;
    for (QWidget *widget : std::initializer_list<QWidget *>{
             m_window, m_window->lblCount, m_window->lblPivot, m_window->cmdFormExpand})
        QCOMPARE(widget->font().families(), expected);
    QCOMPARE(m_window->chkPlayLoop->checkState(), Qt::Checked);
    for (QCheckBox *box : {m_window->chkRandom, m_window->chkAutoPlay, m_window->chkMinimum,
                           m_window->chkPlayRepeat})
        QCOMPARE(box->checkState(), Qt::Unchecked);
    for (QAbstractButton *button : m_window->cmdPlayPanel) {
        QVERIFY(!button->icon().isNull());
        QVERIFY(button->text().isEmpty());
    }
    QCOMPARE(m_window->CountTimer->interval(), 250);
    QVERIFY(!m_window->CountTimer->isActive());
}

void ControlInventoryTest::popupMenuTree()
{
    QMenu *popup = m_window->mnuPopup;
    QCOMPARE(popup->title(), QStringLiteral("タスクトレイポップアップ"));
    QVERIFY(!popup->menuAction()->isVisible());
    QStringList items;
    for (QAction *action : popup->actions())
        items << action->objectName() + QLatin1Char('=')
                     + (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(items, (QStringList{"mnuDisplay=元に戻す", "mnuLine0=-", "mnuPlayControl_0=再生",
                                 "mnuPlayControl_1=一時停止", "mnuPlayControl_2=停止",
                                 "mnuPlayControl_3=前の曲へ", "mnuPlayControl_4=次の曲へ",
                                 "mnuLine1=-", "mnuAbout=Brenlowickについて", "mnuLine2=-",
                                 "mnuEnd=終了する"}));
    // The menu's transport commands are enabled while the buttons are not.
    for (QAction *action : m_window->mnuPlayControl)
        QVERIFY(action->isEnabled());
}

void ControlInventoryTest::windowFacts()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Brenlowick"));
    QVERIFY(!m_window->windowIcon().isNull());
    QCOMPARE(m_window->width(), 259);
    QVERIFY(m_window->findChild<QWidget *>(QStringLiteral("SongList"))->isEnabled() == false);
}

QTEST_MAIN(ControlInventoryTest)
#include "test_control_inventory.moc"
