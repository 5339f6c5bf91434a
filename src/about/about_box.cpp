#include "about/about_box.h"

#include "app/app_icon.h"
#include "app/gothic_font.h"
#include "app/platform.h"
#include "app/twips.h"
#include "platform/screen_metrics.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <cmath>

namespace {

constexpr double ClientWidthTwips = 2970;
constexpr double ClientHeightTwips = 1935;

void paintText(QLabel *label, const QColor &color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

} // namespace

frmAbout::frmAbout(Platform &platform)
    : QDialog(nullptr), m_messageBox(platform.messageBox), m_screen(platform.screen)
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowIcon(programIcon());
    setFont(gothicFont(9));
    setFixedSize(twipsToPixels(ClientWidthTwips, m_screen.twipsPerPixelX()),
                 twipsToPixels(ClientHeightTwips, m_screen.twipsPerPixelY()));
    buildControls();
}

QRect frmAbout::toPixels(double left, double top, double width, double height) const
{
    return twipsRect(left, top, width, height, m_screen.twipsPerPixelX(),
                     m_screen.twipsPerPixelY());
}

void frmAbout::buildControls()
{
    // OK is created first: it comes first in the tab order and so holds the focus on opening.
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(toPixels(1620, 1530, 1110, 315));
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    cmdOK->installEventFilter(this);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setGeometry(toPixels(180, 150, 480, 480));
    picIcon->setPixmap(programIcon().pixmap(32, 32));

    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setGeometry(toPixels(840, 180, 1995, 240));
    paintText(lblTitle, Qt::black);

    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setGeometry(toPixels(840, 450, 1995, 195));

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(toPixels(120, 690, 2715, 765));

    Label1 = new QLabel(QStringLiteral("(C) 2026 The Brenlowick Authors"), Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(toPixels(135, 240, 2535, 255));

    Label2 = new QLabel(QStringLiteral("https://brenlowick.example.org/"), Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(toPixels(210, 480, 2325, 225));
    paintText(Label2, QColor(0, 0, 255));
    condenseToFit(Label1, Label1->text());
    condenseToFit(Label2, Label2->text());
}

void frmAbout::Form_Load()
{
    const QString title = QStringLiteral("Brenlowick");
    setWindowTitle(title + QStringLiteral("のﾊﾞｰｼﾞｮﾝ情報"));
    lblVersion->setText(QStringLiteral("ﾊﾞｰｼﾞｮﾝ %1.%2.%3")
                            .arg(BRENLOWICK_VERSION_MAJOR)
                            .arg(BRENLOWICK_VERSION_MINOR)
                            .arg(BRENLOWICK_VERSION_REVISION));
    lblTitle->setText(title);
}

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::setTopLeft(double leftTwips, double topTwips)
{
    move(static_cast<int>(std::lround(leftTwips / m_screen.twipsPerPixelX())),
         static_cast<int>(std::lround(topTwips / m_screen.twipsPerPixelY())));
}
