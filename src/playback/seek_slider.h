#ifndef BRENLOWICK_SEEK_SLIDER_H
#define BRENLOWICK_SEEK_SLIDER_H

#include <QSlider>

// The seek slider: one unit is one second of the song. Click is raised when the user presses
// and releases the mouse button on it.
class SeekSlider : public QSlider
{
    Q_OBJECT
public:
    explicit SeekSlider(QWidget *parent = nullptr);

Q_SIGNALS:
    void Click();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
};

#endif
