#include "playback/transport_enabling.h"

#include "app/main_window.h"

#include <QAction>
#include <QPushButton>

void applyTransportEnabling(frmMain &window, const TransportEnabling &enabling)
{
    for (size_t index = 0; index < enabling.commands.size(); ++index) {
        const std::optional<bool> enabled = enabling.commands[index];
        if (!enabled)
            continue;
        window.cmdPlayPanel[index]->setEnabled(*enabled);
        window.mnuPlayControl[index]->setEnabled(*enabled);
    }
}
