#include "playback/seek_slider.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

SeekSlider::SeekSlider(QWidget *parent) : QSlider(Qt::Horizontal, parent)
{
    setMinimum(0);
    setMaximum(0);
}

void SeekSlider::showPosition(int seconds)
{
    if (!heldByUser())
        setValue(seconds);
}

bool SeekSlider::heldByUser() const
{
    if (isSliderDown())
        return true;
    // The button's own state too: a release that went to a modal box opened meanwhile never
    // reaches the slider, and the thumb must not stay frozen after it.
    return m_leftPressed && (QGuiApplication::mouseButtons() & Qt::LeftButton);
}

void SeekSlider::paintEvent(QPaintEvent *event)
{
    m_drawnHandle = handleRect();
    QSlider::paintEvent(event);
}

void SeekSlider::sliderChange(SliderChange change)
{
    // The styles draw the groove and the thumb from the thumb's place in pixels alone. On a song
    // of an hour a pixel is some fifteen seconds, and the refresh sets a new second every fourth
    // tick: painting only when the thumb moves spares nearly every repaint of the slider.
    if (change == SliderValueChange && !m_drawnHandle.isNull() && handleRect() == m_drawnHandle)
        return;
    QSlider::sliderChange(change);
}

QRect SeekSlider::handleRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

void SeekSlider::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_leftPressed = true;
    const QRect handle = handleRect();
    if (handle.contains(event->position().toPoint())) {
        QSlider::mousePressEvent(event);
        return;
    }
    // Styles differ here (some jump to the click, some repeat while held); one step per click
    // is what the seek rules promise, so the style is not asked.
    QStyleOptionSlider option;
    initStyleOption(&option);
    const bool pastThumb = event->position().x() > handle.center().x();
    const bool forward = pastThumb != option.upsideDown;
    triggerAction(forward ? SliderPageStepAdd : SliderPageStepSub);
    event->accept();
}

void SeekSlider::mouseReleaseEvent(QMouseEvent *event)
{
    QSlider::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && m_leftPressed) {
        m_leftPressed = false;
        Q_EMIT Click();
    }
}
