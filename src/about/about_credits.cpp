#include "about/about_box.h"

#include "app/error_trap.h"
#include "platform/message_box.h"

#include <QKeyEvent>
#include <QPushButton>

namespace {

const QString CreditsKey = QStringLiteral("vortl");
const QString CreditsLine = QStringLiteral("Presented by Haruto Brenlow&Mio Lowick");

// Keys that press or leave the button rather than type a character on it.
bool typesCharacter(const QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return false;
    default: return !event.text().isEmpty();
    }
}

} // namespace

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == cmdOK && event->type() == QEvent::KeyPress) {
        const auto &key = static_cast<const QKeyEvent &>(*event);
        if (typesCharacter(key)) {
            for (const char32_t code : key.text().toUcs4())
                cmdOK_KeyPress(code);
        }
    }
    // The button still sees the key, so the space bar presses it as usual.
    return QDialog::eventFilter(watched, event);
}

void frmAbout::cmdOK_KeyPress(char32_t KeyAscii)
{
    const QString typed = QString::fromUcs4(&KeyAscii, 1).toLower();
    if (m_creditsProgress < 0 || m_creditsProgress >= CreditsKey.size()
        || typed != CreditsKey.at(m_creditsProgress)) {
        // A wrong letter is not tried as the start of a new attempt.
        m_creditsProgress = 0;
        return;
    }
    ++m_creditsProgress;
    if (m_creditsProgress == CreditsKey.size())
        showCredits();
}

void frmAbout::showCredits()
{
    // A failing beep or box must not leave the key stuck at its end.
    PendingError ignored;
    ResumeNext(ignored, [&] { m_messageBox.beep(); });
    ResumeNext(ignored, [&] { m_messageBox.beep(); });
    ResumeNext(ignored, [&] {
        m_messageBox.show(MessageBoxService::Icon::Information, CreditsLine);
    });
    m_creditsProgress = 0;
}
