#include "app/main_window.h"

#include "platform/screen_metrics.h"

#include <QShowEvent>

namespace {
// The frame a window manager usually gives (title bar and borders), until the real one is known.
constexpr double AssumedFrameTwips = 400;
} // namespace

double frmMain::frameHeightTwips() const
{
    const double perPixel = m_platform.screen.twipsPerPixelY();
    if (m_frameKnown)
        return m_framePixels * perPixel;
    return AssumedFrameTwips;
}

void frmMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    const int frame = frameGeometry().height() - geometry().height();
    if (frame > 0 && !m_frameKnown) {
        // Keep the outer height the window had while the frame was only assumed.
        const double outer = windowOuterHeight();
        m_frameKnown = true;
        m_framePixels = frame;
        setWindowOuterHeight(outer);
    }
}

double frmMain::windowTop() const
{
    return frameGeometry().top() * m_platform.screen.twipsPerPixelY();
}

double frmMain::windowLeft() const
{
    return frameGeometry().left() * m_platform.screen.twipsPerPixelX();
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
    move(frameGeometry().left(), static_cast<int>(std::lround(twips / m_platform.screen.twipsPerPixelY())));
}

void frmMain::setWindowLeft(double twips)
{
    move(static_cast<int>(std::lround(twips / m_platform.screen.twipsPerPixelX())), frameGeometry().top());
}

void frmMain::setWindowOuterHeight(double twips)
{
    const double client = twips - frameHeightTwips();
    resize(width(), std::max(1, static_cast<int>(std::lround(client / m_platform.screen.twipsPerPixelY()))));
}
