#include "app/main_window.h"

#include "playback/player.h"
#include "playback/round_half_even.h"
#include "playback/seek_slider.h"
#include "playback/time_text.h"

#include <QLabel>

void frmMain::CountTimer_Timer()
{
    // The failure box is modal and the timer keeps ticking inside it: without this, a player
    // that keeps failing would stack one box on another four times a second.
    if (m_tickRunning)
        return;
    m_tickRunning = true;
    try {
        // One reading for both: the label and the thumb show the same second, and the engine
        // is asked (a lock or two, the device's state) once a tick instead of twice.
        const int32_t seconds = roundHalfEven(MediaPlayer.CurrentPosition());
        lblCount->setText(FormatTime(seconds));
        Slider->showPosition(seconds);
        m_reportedTickFailure.clear();
    } catch (...) {
        // The timer stays on, but the same failure tick after tick is told once: the user
        // would otherwise meet a new box within a quarter second of closing the last.
        const CaughtError error = currentExceptionAsError();
        const QString failure = QString::number(error.number) + QLatin1Char(':') + error.description;
        if (failure != m_reportedTickFailure) {
            m_reportedTickFailure = failure;
            reportTrappedError(m_platform.messageBox, Heading::General, error.number,
                               error.description);
        }
    }
    m_tickRunning = false;
}

void frmMain::Slider_Click()
{
    trapped(Heading::General,
            [&] { MediaPlayer.setCurrentPosition(static_cast<double>(Slider->value())); });
}

QString frmMain::FormatTime(int32_t Seconds)
{
    QString text;
    trapped(Heading::General, [&] { text = formatTimeText(Seconds); });
    return text;
}
