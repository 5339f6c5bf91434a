#include "sound/harness/transport_scenario.h"

#include "app/app_error.h"
#include "playback/player.h"
#include "sound/harness/recording.h"
#include "sound/harness/sink_recorder.h"

#include <cmath>
#include <thread>

namespace {

constexpr int64_t NsPerMs = 1'000'000;

void give(MediaPlayer &player, const TransportCommand &command, long rate)
{
    switch (command.kind) {
    case TransportCommand::Play:
        player.Play();
        break;
    case TransportCommand::Pause:
        player.Pause();
        break;
    case TransportCommand::Stop:
        player.Stop();
        break;
    case TransportCommand::Seek:
        player.setCurrentPosition(
            static_cast<double>(command.seekFrame) / static_cast<double>(rate));
        break;
    }
}

} // namespace

const char *commandName(TransportCommand::Kind kind)
{
    switch (kind) {
    case TransportCommand::Play:
        return "play";
    case TransportCommand::Pause:
        return "pause";
    case TransportCommand::Stop:
        return "stop";
    case TransportCommand::Seek:
        return "seek";
    }
    return "";
}

std::vector<TransportCommand> everyTransportCommand(long rate, int &endMs)
{
    const auto at = [rate](double seconds) { return std::llround(seconds * rate); };
    endMs = 3100;
    return {
        {TransportCommand::Pause, 450, 0},
        {TransportCommand::Play, 700, 0},
        {TransportCommand::Seek, 980, at(1.2)},
        {TransportCommand::Pause, 1230, 0},
        {TransportCommand::Play, 1500, 0},
        {TransportCommand::Seek, 1770, at(0.3)},
        {TransportCommand::Pause, 2040, 0},
        {TransportCommand::Play, 2290, 0},
        {TransportCommand::Seek, 2560, at(1.0)},
        {TransportCommand::Stop, 2830, 0},
    };
}

bool waitUntilHeard(const SinkRecorder &recorder, int64_t ns)
{
    const int64_t deadline = steadyNowNs() + 5000 * NsPerMs;
    while (recorder.recordedUntilNs() < ns) {
        if (recorder.lost() || steadyNowNs() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

ScenarioLog runTransportScenario(MediaPlayer &player, SinkRecorder &recorder,
    const std::filesystem::path &song, long rate, const std::vector<TransportCommand> &commands,
    int endMs)
{
    ScenarioLog log;
    try {
        player.setFileName(song);
        const int64_t startNs = steadyNowNs();
        player.Play();
        const int64_t zeroNs = steadyNowNs();
        log.commands.push_back({TransportCommand::Play, startNs, zeroNs, 0});
        size_t next = 0;
        for (int64_t now = zeroNs; now < zeroNs + endMs * NsPerMs; now = steadyNowNs()) {
            if (next < commands.size() && now >= zeroNs + commands[next].atMs * NsPerMs) {
                const TransportCommand &command = commands[next++];
                const int64_t issued = steadyNowNs();
                give(player, command, rate);
                log.commands.push_back({command.kind, issued, steadyNowNs(), command.seekFrame});
                continue;
            }
            const int64_t before = steadyNowNs();
            const double seconds = player.CurrentPosition();
            const int64_t after = steadyNowNs();
            // A reading whose call was held up (the thread preempted) has no one time.
            if (after - before < NsPerMs)
                log.positions.push_back(
                    {(before + after) / 2, std::llround(seconds * static_cast<double>(rate))});
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (!waitUntilHeard(recorder, zeroNs + endMs * NsPerMs))
            log.error = QStringLiteral("the recorder stopped hearing the sink");
    } catch (const AppError &error) {
        log.error = error.description();
    }
    return log;
}
