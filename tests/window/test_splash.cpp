#include "app/main_window.h"
#include "app/splash.h"
#include "fakes/fake_platform.h"
#include "songlist/folder_list.h"

#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {
const QString Base = QStringLiteral("Brenlowick ： ファイル取得中");
} // namespace

class TestSplash : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        for (int i = 0; i < 6; ++i)
            std::ofstream(m_dir->filePath(QStringLiteral("%1.txt").arg(i)).toStdString()).put('x');
        m_fakes = std::make_unique<FakePlatform>();
        m_window = std::make_unique<frmMain>(m_fakes->platform);
        m_window->DirTree->setPath(m_dir->path().toStdString());
    }

    void cleanup()
    {
        m_window.reset();
        m_fakes.reset();
    }

    void ticksShowTheFourTextsInTurn()
    {
        QStringList texts;
        QString firstText = QStringLiteral("unset");
        m_fakes->eventLoop.onYield = [&] {
            frmSplash *splash = m_window->splash();
            QVERIFY(splash);
            if (firstText == QStringLiteral("unset"))
                firstText = splash->lblMsg->text();
            if (texts.size() < 5) {
                splash->Timer1_Timer();
                texts << splash->lblMsg->text();
            }
        };
        m_window->cmdGetFiles_Click();
        QCOMPARE(firstText, QString());
        QCOMPARE(texts,
            (QStringList {Base + QStringLiteral("・"), Base + QStringLiteral("・・"),
                Base + QStringLiteral("・・・"), Base, Base + QStringLiteral("・")}));
    }

    void countGoesOnFromTheLastShowing()
    {
        int ticks = 0;
        m_fakes->eventLoop.onYield = [&] {
            if (ticks++ < 3)
                m_window->splash()->Timer1_Timer();
        };
        m_window->cmdGetFiles_Click();
        QCOMPARE(m_window->splash(), nullptr);

        QString text;
        bool ticked = false;
        m_fakes->eventLoop.onYield = [&] {
            if (!ticked) {
                ticked = true;
                frmSplash *splash = m_window->splash();
                // A new window, still showing the last text of nothing: it starts empty.
                QCOMPARE(splash->lblMsg->text(), QString());
                QCOMPARE(splash->TimeCount, int16_t {3});
                splash->Timer1_Timer();
                text = splash->lblMsg->text();
            }
        };
        m_window->cmdGetFiles_Click();
        QCOMPARE(text, Base);
    }

    void countWrapsWithoutBreakingTheCycle()
    {
        QCOMPARE(splashMessage(32767), Base + QStringLiteral("・・・"));
        frmSplash splash(*m_window);
        splash.TimeCount = 32767;
        splash.Timer1_Timer();
        QCOMPARE(splash.TimeCount, int16_t {0});
        QCOMPARE(splash.lblMsg->text(), Base);
    }

    void placedBelowTheMainWindowsTop_data()
    {
        QTest::addColumn<QPoint>("mainAt");
        QTest::addColumn<int>("mainHeight");
        QTest::newRow("compact") << QPoint(100, 80) << 60;
        QTest::newRow("medium") << QPoint(300, 10) << 200;
        QTest::newRow("full") << QPoint(0, 400) << 481;
    }

    void placedBelowTheMainWindowsTop()
    {
        QFETCH(QPoint, mainAt);
        QFETCH(int, mainHeight);
        m_window->move(mainAt);
        m_window->resize(m_window->width(), mainHeight);
        const double top = m_window->windowTop();
        const double left = m_window->windowLeft();

        QPointer<frmSplash> seen;
        QRect geometry;
        bool mainVisible = true;
        bool splashVisible = false;
        bool timerRunning = false;
        m_fakes->eventLoop.onYield = [&] {
            if (seen)
                return;
            seen = m_window->splash();
            geometry = seen->geometry();
            mainVisible = m_window->isVisible();
            splashVisible = seen->isVisible();
            timerRunning = seen->Timer1->isActive() && seen->Timer1->interval() == 250;
        };
        m_window->cmdGetFiles_Click();

        QVERIFY(seen.isNull()); // discarded at the end
        QVERIFY(splashVisible);
        QVERIFY(!mainVisible);
        QVERIFY(timerRunning);
        // 15 twips per pixel: 3510 × 495 twips, 700 twips below the top.
        QCOMPARE(geometry.size(), QSize(234, 33));
        QCOMPARE(geometry.left(), qRound(left / 15.0));
        QCOMPARE(geometry.top(), qRound((top + 700) / 15.0));
    }

    void borderlessBlackAndGreen()
    {
        frmSplash splash(*m_window);
        QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(splash.Picture1->geometry(), QRect(2, 2, 231, 30));
        QCOMPARE(splash.lblMsg->geometry(), QRect(4, 4, 221, 22));
        QCOMPARE(splash.lblMsg->palette().color(QPalette::WindowText), QColor(0, 255, 0));
        QCOMPARE(splash.Picture1->palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(splash.lblMsg->font().pointSizeF(), 11.25);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakePlatform> m_fakes;
    std::unique_ptr<frmMain> m_window;
};

QTEST_MAIN(TestSplash)
#include "test_splash.moc"
