// The real message box: what it shows of a text that comes from outside the program.

#include "platform/desktop_adapters.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

class DesktopMessageBoxTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void textIsShownLiterally_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("markup") << QStringLiteral("<b>Live</b> at <i>Budokan</i>.mp3");
        QTest::newRow("a picture") << QStringLiteral("<img src=\"/usr/share/pixmaps/x.png\">");
        QTest::newRow("an entity") << QStringLiteral("Tom &amp; Jerry\r\n\r\n2 &lt; 3");
    }

    void textIsShownLiterally()
    {
        QFETCH(QString, text);
        QtMessageBox adapter;
        QString shownText;
        Qt::TextFormat shownFormat = Qt::AutoText;
        QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
        QString shownTitle;
        // The box is modal: it is looked at, then closed, from inside its own event loop.
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            shownText = box->text();
            shownFormat = box->textFormat();
            shownIcon = box->icon();
            shownTitle = box->windowTitle();
            box->accept();
        });
        closer.start(10);
        adapter.show(MessageBoxService::Icon::Critical, text);
        QCOMPARE(shownText, text);
        QCOMPARE(shownFormat, Qt::PlainText);
        QCOMPARE(shownIcon, QMessageBox::Critical);
        QCOMPARE(shownTitle, QStringLiteral("Brenlowick"));
    }
};

QTEST_MAIN(DesktopMessageBoxTest)
#include "desktop_message_box_test.moc"
