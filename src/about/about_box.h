#ifndef BRENLOWICK_ABOUT_BOX_H
#define BRENLOWICK_ABOUT_BOX_H

#include <QDialog>

#include <cstdint>

class QGroupBox;
class QLabel;
class QPushButton;
class MessageBoxService;
class ScreenMetrics;
struct Platform;

// The About box: title, version, a copyright line and the web address. Created on use and
// deleted when closed; it has no owner, so it never blocks or follows the main window.
class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(Platform &platform);

    // Sets the texts; runs once for each box, before it is first shown.
    void Form_Load();
    void cmdOK_Click();
    // A character typed while OK has the focus, as a code point: drives the credits key.
    void cmdOK_KeyPress(char32_t KeyAscii);

    // The outer top-left corner, in twips.
    void setTopLeft(double leftTwips, double topTwips);

    // How many letters of the credits key have been typed in a row.
    int32_t creditsProgress() const { return m_creditsProgress; }

    QLabel *picIcon = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *cmdOK = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QRect toPixels(double left, double top, double width, double height) const;
    void buildControls();
    void showCredits();

    MessageBoxService &m_messageBox;
    ScreenMetrics &m_screen;
    int32_t m_creditsProgress = 0;
};

#endif
