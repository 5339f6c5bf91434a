#include "bench/soak/soak_actions.h"

#include <array>

namespace {

struct KindInfo {
    const char *name;
    int weight; // how often, against the others that can be reached
};

// Roughly how a session goes: mostly the transport and time passing, now and then the list,
// the slider and the desktop's controls, rarely the folder changing under the player.
constexpr std::array<KindInfo, static_cast<size_t>(ActionKind::Count)> kinds = {{
    {"press-transport", 80},
    {"tray-transport", 30},
    {"click-list", 30},
    {"slider-click-beside", 20},
    {"slider-drag", 15},
    {"press-size", 10},
    {"toggle-repeat", 8},
    {"toggle-loop", 10},
    {"toggle-random", 6},
    {"get-files", 16},
    {"close-box", 8},
    {"tray-left-press", 12},
    {"tray-restore-item", 4},
    {"tray-about", 3},
    {"about-ok", 20},
    {"about-credits", 5},
    {"mpris-play-pause", 12},
    {"mpris-next", 10},
    {"mpris-previous", 6},
    {"mpris-stop", 4},
    {"mpris-seek", 8},
    {"mpris-set-position", 6},
    {"mpris-loop-status", 6},
    {"tree-add-songs", 8},
    {"tree-delete", 5},
    {"tree-cut-short", 4},
    {"tree-empty", 2},
    {"tree-remove-folder", 2},
    {"tree-remove-chosen", 1},
    {"wait", 80},
    {"play-out", 14},
}};

bool reachable(ActionKind kind, const Reach &reach)
{
    switch (kind) {
    case ActionKind::PressTransport:
    case ActionKind::SliderClickBeside:
    case ActionKind::SliderDrag:
    case ActionKind::PressSize:
    case ActionKind::CloseBox:
        return reach.windowShown;
    case ActionKind::ClickListEntry:
        return reach.windowShown && reach.formExpand >= 2;
    case ActionKind::ToggleRepeat:
    case ActionKind::ToggleLoop:
    case ActionKind::ToggleRandom:
    case ActionKind::GetFiles:
        return reach.windowShown && reach.formExpand >= 3;
    case ActionKind::TrayTransport:
    case ActionKind::TrayRestoreItem:
    case ActionKind::TrayAbout:
        return !reach.windowShown;
    case ActionKind::AboutOk:
    case ActionKind::AboutCredits:
        return reach.aboutOpen;
    case ActionKind::TreeRemoveChosen:
        return reach.chosenFolderExists;
    default:
        return true;
    }
}

} // namespace

const char *actionName(ActionKind kind)
{
    return kinds[static_cast<size_t>(kind)].name;
}

Action ActionGenerator::next(const Reach &reach)
{
    int total = 0;
    for (size_t i = 0; i < kinds.size(); ++i) {
        if (reachable(static_cast<ActionKind>(i), reach))
            total += kinds[i].weight;
    }
    int draw = std::uniform_int_distribution<int>(0, total - 1)(m_random);
    Action action;
    for (size_t i = 0; i < kinds.size(); ++i) {
        const auto kind = static_cast<ActionKind>(i);
        if (!reachable(kind, reach))
            continue;
        draw -= kinds[i].weight;
        if (draw < 0) {
            action.kind = kind;
            break;
        }
    }
    // Every number is drawn whatever the kind, so one action's kind never shifts the draws of
    // the next.
    action.index = std::uniform_int_distribution<int>(0, 4)(m_random);
    action.fraction = std::uniform_real_distribution<double>(0.0, 1.0)(m_random);
    // Mostly short waits, now and then long enough for several short songs to end.
    action.milliseconds = std::bernoulli_distribution(0.2)(m_random)
        ? std::uniform_int_distribution<int>(80, 400)(m_random)
        : std::uniform_int_distribution<int>(0, 40)(m_random);
    action.onCurrentSong = std::bernoulli_distribution(0.5)(m_random);
    return action;
}
