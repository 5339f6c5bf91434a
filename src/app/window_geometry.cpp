#include "app/main_window.h"

#include "app/twips.h"
#include "platform/screen_metrics.h"

#include <QMoveEvent>
#include <QShowEvent>

#include <cmath>

#include <algorithm>

namespace {
// The frame a window manager usually gives (title bar and borders), until the real one is known.
constexpr double AssumedFrameTwips = 400;
// A reported frame taller than this counts invisible borders too: weston's X window manager
// puts its drop shadows into the frame extents (some 97 pixels in all), and taking them would
// leave the compact window a strip. The assumed frame stays in use then.
constexpr double LargestFrameTwips = 2 * AssumedFrameTwips;
} // namespace

double frmMain::frameHeightTwips() const
{
    const double perPixel = m_platform.screen.twipsPerPixelY();
    if (m_frameKnown)
        return m_framePixels * perPixel;
    // Whole pixels, so that an outer height set in twips reads back as the same twips.
    return std::round(AssumedFrameTwips / perPixel) * perPixel;
}

void frmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    adoptWindowManagerFrame();
}

void frmMain::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    // A first start shows the window before the window manager has framed it: the frame is
    // known only when the framed window moves to its place inside it.
    adoptWindowManagerFrame();
}

void frmMain::adoptWindowManagerFrame()
{
    const int frame = frameGeometry().height() - geometry().height();
    if (frame <= 0 || (m_frameKnown && frame == m_framePixels)
        || frame * m_platform.screen.twipsPerPixelY() > LargestFrameTwips
        || windowState() != Qt::WindowNoState)
        return;
    // Keep the outer height the window had with the frame it was given so far.
    const double outer = windowOuterHeight();
    m_frameKnown = true;
    m_framePixels = frame;
    setWindowOuterHeight(outer);
}

// pos() is the frame's corner, also while a position given before the window got its frame is
// still waiting to be applied (frameGeometry() would then be off by the frame).
double frmMain::windowTop() const
{
    return pos().y() * m_platform.screen.twipsPerPixelY();
}

double frmMain::windowLeft() const
{
    return pos().x() * m_platform.screen.twipsPerPixelX();
}

double frmMain::windowOuterWidth() const
{
    const int frameWidth = frameGeometry().width() - geometry().width();
    return (width() + frameWidth) * m_platform.screen.twipsPerPixelX()
           + (frameWidth > 0 ? 0.0 : 90.0);
}

double frmMain::windowOuterHeight() const
{
    return height() * m_platform.screen.twipsPerPixelY() + frameHeightTwips();
}

void frmMain::setWindowTop(double twips)
{
    move(pos().x(), twipsToPixels(twips, m_platform.screen.twipsPerPixelY()));
}

void frmMain::setWindowLeft(double twips)
{
    move(twipsToPixels(twips, m_platform.screen.twipsPerPixelX()), pos().y());
}

void frmMain::setWindowOuterHeight(double twips)
{
    const double client = twips - frameHeightTwips();
    resize(width(), std::max(1, twipsToPixels(client, m_platform.screen.twipsPerPixelY())));
}
