#include "app/main_window.h"

#include "platform/screen_metrics.h"

#include <QPushButton>

namespace {

// Outer heights (frame included) of the three size states, in twips.
constexpr double CompactHeight = 1590;
constexpr double MediumHeight = 3135;
constexpr double FullHeight = 7365;

} // namespace

void frmMain::cmdFormExpand_Click()
{
    trapped(Heading::General, [&] {
        // Growing first lifts the window so that its bottom edge stays on the screen; the test
        // is made in single precision and counts touching the bottom as reaching it. There is
        // no lower bound: a screen shorter than the window puts the top above the screen.
        const auto grow = [this](double height) {
            const double screenHeight = m_platform.screen.heightTwips();
            if (static_cast<float>(windowTop()) + static_cast<float>(height)
                >= static_cast<float>(screenHeight))
                setWindowTop(static_cast<float>(screenHeight) - static_cast<float>(height));
            setWindowOuterHeight(height);
        };
        switch (FormExpand) {
        case 1:
            grow(MediumHeight);
            cmdFormExpand->setText(QString());
            FormExpand = 2;
            break;
        case 2:
            grow(FullHeight);
            cmdFormExpand->setText(QString());
            FormExpand = 3;
            break;
        case 3:
            // Collapsing never moves the window: one raised while growing stays raised.
            setWindowOuterHeight(CompactHeight);
            cmdFormExpand->setText(QString());
            FormExpand = 1;
            break;
        default:
            break;
        }
    });
}
