#include "app/main_window.h"
#include "app/session_end.h"
#include "platform/desktop_adapters.h"
#include "platform/font_configuration_ahead.h"
#include "desktop/mpris_service.h"
#include "platform/termination_signals.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

bool displayAvailable()
{
    const auto isSet = [](const char *name) {
        const char *value = std::getenv(name);
        return value && *value;
    };
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char *argv[])
{
    if (!displayAvailable()) {
        std::fputs("brenlowick: no display to show the window on (DISPLAY and WAYLAND_DISPLAY "
                   "are not set). Start it from a desktop session.\n",
                   stderr);
        return 1;
    }
    FontConfigurationAhead fontConfiguration;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brenlowick"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.2"));
    QApplication::setDesktopFileName(QStringLiteral("brenlowick"));
    QApplication::setQuitOnLastWindowClosed(false);

    TerminationSignals terminationSignals;
    QtMessageBox messageBox;
    DesktopPlatform desktop(messageBox);

    fontConfiguration.wait();
    frmMain window(desktop.platform);
    QObject::connect(&terminationSignals, &TerminationSignals::terminationRequested, &window,
                     &frmMain::unloadBySystem);
    // A logout saves the settings when asked to, and ends the program only when it happens.
    SessionEnd sessionEnd(application, window);

    if (!window.Form_Load())
        return 0;
    if (!window.inTrayMode())
        window.show();
    // Media keys and the desktop's player widgets reach the window over the session bus; the
    // connection to the bus can wait until the window is on screen.
    std::unique_ptr<MprisService> mpris;
    QTimer::singleShot(0, &window, [&mpris, &window] {
        mpris = std::make_unique<MprisService>(window);
    });
    return QApplication::exec();
}
