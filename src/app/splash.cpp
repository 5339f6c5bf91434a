#include "app/splash.h"

#include "app/gothic_font.h"

#include "app/main_window.h"
#include "app/twips.h"
#include "platform/screen_metrics.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include <cmath>

namespace {
constexpr double WidthTwips = 3510;
constexpr double HeightTwips = 495;
constexpr double BelowMainTopTwips = 700;
} // namespace

QString splashMessage(int16_t timeCount)
{
    const int dots = ((timeCount % 4) + 4) % 4;
    return QStringLiteral("Brenlowick ： ファイル取得中") + QStringLiteral("・").repeated(dots);
}

frmSplash::frmSplash(frmMain &owner)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
    , TimeCount(owner.m_splashTimeCount)
    , m_owner(owner)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Brenlowick"));
    setFixedSize(owner.toPixels(0, 0, WidthTwips, HeightTwips).size());

    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(owner.toPixels(30, 30, 3465, 450));
    QPalette black = Picture1->palette();
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::WindowText, QColor(0, 255, 0));
    Picture1->setPalette(black);
    Picture1->setAutoFillBackground(true);

    lblMsg = new QLabel(Picture1);
    lblMsg->setObjectName(QStringLiteral("lblMsg"));
    lblMsg->setGeometry(owner.toPixels(60, 60, 3315, 330));
    lblMsg->setPalette(black);
    lblMsg->setAutoFillBackground(true);
    lblMsg->setFont(gothicFont(11.25));
    // The longest line must fit: a stand-in face wider than the one drawn for is condensed.
    condenseToFit(lblMsg, splashMessage(3));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(250);
    connect(Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);
    QCoreApplication::instance()->installEventFilter(this);
}

frmSplash::~frmSplash()
{
    QCoreApplication::instance()->removeEventFilter(this);
    m_owner.m_splashTimeCount = TimeCount;
}

void frmSplash::Form_Load()
{
    Timer1->start();
    const double perPixelX = m_owner.platform().screen.twipsPerPixelX();
    const double perPixelY = m_owner.platform().screen.twipsPerPixelY();
    move(twipsToPixels(m_owner.windowLeft(), perPixelX),
        twipsToPixels(m_owner.windowTop() + BelowMainTopTwips, perPixelY));
}

void frmSplash::Timer1_Timer()
{
    // Only the count modulo 4 shows; wrapping from 32,767 to 0 keeps that cycle unbroken.
    TimeCount = TimeCount == INT16_MAX ? int16_t {0} : static_cast<int16_t>(TimeCount + 1);
    lblMsg->setText(splashMessage(TimeCount));
}

bool frmSplash::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress
        || static_cast<QKeyEvent *>(event)->key() != Qt::Key_Escape)
        return false;
    // Esc in another window (a popup menu, the About box, a message box) is that window's own.
    const auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || (widget->window() != this && widget->window() != &m_owner))
        return false;
    m_stopRequested = true;
    return true;
}
