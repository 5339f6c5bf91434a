#ifndef BRENLOWICK_SEEK_SLIDER_H
#define BRENLOWICK_SEEK_SLIDER_H

#include <QSlider>

// The seek slider: one unit is one second of the song. A left click beside the thumb moves it
// by the large step (pageStep) towards the click, whatever the desktop style would do; a press
// on the thumb drags it. Click is raised when the left button is released after either.
class SeekSlider : public QSlider
{
    Q_OBJECT
public:
    explicit SeekSlider(QWidget *parent = nullptr);

    // Shows the playback position, except while the user holds the left button on the slider
    // (a drag, or a click beside the thumb not yet released): the refresh must neither pull the
    // thumb out from under the pointer nor undo the step that the release is about to seek to.
    void showPosition(int seconds);
    // Where the thumb is drawn, in the slider's own coordinates.
    QRect handleRect() const;

Q_SIGNALS:
    void Click();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void sliderChange(SliderChange change) override;

private:
    bool heldByUser() const;

    // A left press reached the slider and its release has not yet.
    bool m_leftPressed = false;
    // Where the thumb was last drawn; a new value that leaves it there needs no painting.
    QRect m_drawnHandle;
};

#endif
