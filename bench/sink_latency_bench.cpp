#include "bench/sink_latency_bench.h"

#include "bench/bare_pulse_player.h"
#include "bench/bench_output.h"
#include "sound/harness/private_sound_server.h"
#include "sound/harness/sink_recorder.h"
#include "sound/harness/transport_analysis.h"
#include "tests/engine/engine_test_support.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

namespace {

constexpr int HeadSkipMs = 300;

struct Figures {
    std::map<TransportCommand::Kind, std::vector<double>> latencies;
    double worstStepOverAllowed = 0;
    double worstPositionMs = 0;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

bool playRound(MediaPlayer &player, SinkRecorder &recorder, const EngineTest::Reference &song,
    Figures &figures)
{
    int endMs = 0;
    const std::vector<TransportCommand> commands = everyTransportCommand(song.rate, endMs);
    const ScenarioLog log = runTransportScenario(
        player, recorder, EngineTest::fixture("sweep_stereo_a.mp3"), song.rate, commands, endMs);
    if (!log.error.isEmpty()) {
        std::fprintf(stderr, "sink-latency: %s\n", log.error.toUtf8().constData());
        return false;
    }
    const TransportAnalysis analysis
        = analyseTransport(recorder.recording(), song.pcm, log, HeadSkipMs);
    for (const CommandAtSink &command : analysis.commands) {
        if (!command.found)
            continue;
        figures.latencies[command.command.kind].push_back(command.latencyMs);
        figures.worstStepOverAllowed = std::max(figures.worstStepOverAllowed,
            static_cast<double>(command.step) / std::max(1, command.stepAllowed));
    }
    for (const double error : analysis.positionErrorsMs)
        figures.worstPositionMs = std::max(figures.worstPositionMs, std::abs(error));
    return true;
}

void printLatency(const char *name, TransportCommand::Kind kind, const Figures &ours,
    const Figures &bare, int goalMs)
{
    const auto figure = [kind](const Figures &figures) {
        const auto found = figures.latencies.find(kind);
        return found == figures.latencies.end() ? 0.0 : median(found->second);
    };
    std::printf(
        "%s: ratio %.2f (ours %.1f ms, baseline bare libpulse client %.1f ms; goal %d ms)\n", name,
        figure(ours) / std::max(0.1, figure(bare)), figure(ours), figure(bare), goalMs);
}

} // namespace

int runSinkLatencyBench(int argc, char *argv[])
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QCoreApplication application(argc, argv);
    if (!PrivateSoundServer::installed()) {
        std::fputs(
            "sink-latency: pulseaudio is not installed (scripts/install-deps --test)\n", stderr);
        return 1;
    }
    PrivateSoundServer server;
    if (!server.start()) {
        std::fprintf(stderr, "sink-latency: %s\n", server.error().toUtf8().constData());
        return 1;
    }
    server.becomeThisProcessServer();
    SinkRecorder recorder(PrivateSoundServer::MainSink);
    if (!recorder.start()) {
        std::fprintf(stderr, "sink-latency: %s\n", recorder.error().toUtf8().constData());
        return 1;
    }
    const EngineTest::Reference song
        = EngineTest::referenceDecode(EngineTest::fixture("sweep_stereo_a.mp3"));

    Figures ours;
    Figures bare;
    for (int round = 0; round < rounds; ++round) {
        Mp3Engine engine(nullptr, engineOptionsFor(BenchOutput::SoundServer));
        BarePulsePlayer barePlayer;
        if (!playRound(engine, recorder, song, ours)
            || !playRound(barePlayer, recorder, song, bare))
            return 1;
    }
    printLatency("sink-pause-latency", TransportCommand::Pause, ours, bare, 30);
    printLatency("sink-play-latency", TransportCommand::Play, ours, bare, 50);
    printLatency("sink-seek-latency", TransportCommand::Seek, ours, bare, 50);
    printLatency("sink-stop-latency", TransportCommand::Stop, ours, bare, 30);
    std::fflush(stdout);
    std::fprintf(stderr,
        "sink-latency: steepest step where the sound stops or starts %.1f times what a "
        "5 ms fade allows (goal: at most 1); position up to %.1f ms from what the sink "
        "plays (goal: 20 ms); %d rounds\n",
        ours.worstStepOverAllowed, ours.worstPositionMs, rounds);
    return 0;
}
