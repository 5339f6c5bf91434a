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

private:
    frmMain &m_owner;
};

// The progress line after a given number of ticks: the title, then 0 to 3 dots.
QString splashMessage(int16_t timeCount);

#endif
