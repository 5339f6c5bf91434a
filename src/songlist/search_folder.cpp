#include "app/main_window.h"

#include "app/splash.h"
#include "platform/event_loop.h"
#include "songlist/song_search.h"

#include <limits>

void frmMain::SearchFolder(const std::filesystem::path &FolderPath)
{
    searchSongs(
        FolderPath.native(),
        [this](std::string_view path, std::string_view name) {
            if (FoundCount == std::numeric_limits<int32_t>::max())
                return;
            FoundPaths.push_back(path);
            FoundNames.push_back(name);
            ++FoundCount;
        },
        [this] {
            m_platform.eventLoop.yield();
            // Esc on the progress window ends the search; what was found so far makes the list.
            return !(m_splash && m_splash->stopRequested());
        });
}
