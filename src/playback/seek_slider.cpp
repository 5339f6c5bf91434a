#include "playback/seek_slider.h"

SeekSlider::SeekSlider(QWidget *parent) : QSlider(Qt::Horizontal, parent)
{
    setMinimum(0);
    setMaximum(0);
}

void SeekSlider::mouseReleaseEvent(QMouseEvent *event)
{
    QSlider::mouseReleaseEvent(event);
    Q_EMIT Click();
}
