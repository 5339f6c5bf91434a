#ifndef BRENLOWICK_SPLASH_H
#define BRENLOWICK_SPLASH_H

#include <QWidget>

#include <cstdint>

class QLabel;
class QTimer;
class frmMain;

// The progress window that stands in for the main window while the get-files command runs:
// a borderless black strip with a green line whose dots move on every tick. It is created for
// one search and discarded after it; the tick count lives on in the main window, so the next
// showing goes on where the last one stopped.
//
// Esc pressed while it stands asks the search to stop. The window has no frame and the main
// window is hidden, so the keyboard focus may be on either of them: the key is watched for
// application-wide, for as long as this window exists, and only there.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(frmMain &owner);
    ~frmSplash() override;

    // Starts the ticks and places the window 700 twips below the main window's top, at its left.
    void Form_Load();
    void Timer1_Timer();

    QWidget *Picture1 = nullptr;
    QLabel *lblMsg = nullptr;
    QTimer *Timer1 = nullptr;
    int16_t TimeCount = 0;

    // Whether Esc was pressed on this window or the main window since it was created.
    bool stopRequested() const { return m_stopRequested; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    frmMain &m_owner;
    bool m_stopRequested = false;
};

// The progress line after a given number of ticks: the title, then 0 to 3 dots.
QString splashMessage(int16_t timeCount);

#endif
