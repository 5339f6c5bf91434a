#include "app/main_window.h"

#include "platform/instance_guard.h"
#include "platform/message_box.h"
#include "platform/process_control.h"

#include <QCheckBox>

std::filesystem::path settingsPathFor(const std::filesystem::path &programFolder)
{
    std::string folder = programFolder.native();
    if (folder.empty() || folder.back() != '/')
        folder.push_back('/');
    return std::filesystem::path(folder + "Brenlowick.ini");
}

bool frmMain::Form_Load()
{
    if (m_platform.instanceGuard.anotherInstanceRunning()) {
        m_platform.messageBox.show(MessageBoxService::Icon::None,
                                   QStringLiteral("既に起動されています"));
        m_platform.process.endProgram(0);
        return false;
    }
    trapped(Heading::General, [&] {
        IniPath = settingsPathFor(m_platform.process.programFolder());
        LoadSettings();
        cmdFormExpand_Click();
        chkPlayRepeat_Click();
        DirTree_Change();
        if (chkAutoPlay->isChecked())
            cmdGetFiles_Click();
        if (chkMinimum->isChecked()) {
            int16_t cancel = 0;
            Form_QueryUnload(cancel, 0);
        }
        trayAdd();
    });
    return true;
}
