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
#include <string>

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

double medianLatency(const Figures &figures, TransportCommand::Kind kind)
{
    const auto found = figures.latencies.find(kind);
    return found == figures.latencies.end() ? 0.0 : median(found->second);
}

// The goal is the server output's; SDL's output on the same server is printed beside it (with
// no goal of its own) to show what the server output is for.
void printLatency(const std::string &name, TransportCommand::Kind kind, const Figures &ours,
    const Figures &bare, int goalMs)
{
    const double figure = medianLatency(ours, kind);
    std::printf("%s: ratio %.2f (ours %.1f ms, baseline bare libpulse client %.1f ms", name.c_str(),
        figure / std::max(0.1, medianLatency(bare, kind)), figure, medianLatency(bare, kind));
    if (goalMs > 0)
        std::printf("; goal %d ms: %s", goalMs, figure <= goalMs ? "met" : "missed");
    std::printf(")\n");
}

void printOutput(const char *prefix, const Figures &ours, const Figures &bare, bool withGoals)
{
    const std::string name = std::string("sink-") + prefix;
    printLatency(name + "pause-latency", TransportCommand::Pause, ours, bare, withGoals ? 30 : 0);
    printLatency(name + "play-latency", TransportCommand::Play, ours, bare, withGoals ? 50 : 0);
    printLatency(name + "seek-latency", TransportCommand::Seek, ours, bare, withGoals ? 50 : 0);
    printLatency(name + "stop-latency", TransportCommand::Stop, ours, bare, withGoals ? 30 : 0);
    std::fflush(stdout);
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
    Figures sdl;
    Figures bare;
    for (int round = 0; round < rounds; ++round) {
        for (const BenchOutput output : {BenchOutput::SoundServer, BenchOutput::SdlOnServer}) {
            Mp3Engine engine(nullptr, engineOptionsFor(output));
            if (!playRound(engine, recorder, song, output == BenchOutput::SoundServer ? ours : sdl)
                || !playsOn(engine, output, "sink-latency"))
                return 1;
        }
        BarePulsePlayer barePlayer;
        if (!playRound(barePlayer, recorder, song, bare))
            return 1;
    }
    printOutput("", ours, bare, true);
    printOutput("sdl-", sdl, bare, false);
    std::fprintf(stderr,
        "sink-latency: steepest step where the sound stops or starts %.1f times what a "
        "5 ms fade allows (goal: at most 1); position up to %.1f ms from what the sink "
        "plays (goal: 20 ms); %d rounds\n",
        ours.worstStepOverAllowed, ours.worstPositionMs, rounds);
    return 0;
}
