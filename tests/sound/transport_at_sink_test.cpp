// The engine as a listener hears it through a real sound server: a song played, paused,
// resumed, sought and stopped, and two songs in a row, recorded at the sink and compared with
// a reference decode.

#include "engine/engine_test_support.h"
#include "sound/harness/private_sound_server.h"
#include "sound/harness/sink_recorder.h"
#include "sound/harness/transport_analysis.h"
#include "sound/sound_test_main.h"

#include "app/app_error.h"
#include "engine/mp3_engine.h"

#include <algorithm>
#include <memory>

namespace {

constexpr long Rate = PrivateSoundServer::Rate;
// A newly opened stream's first few hundred frames may not show at the monitor (the server
// rewinds the sink to mix them in at once), so its first moments are not compared.
constexpr int HeadSkipMs = 300;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

} // namespace

class TransportAtSinkTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void soundIsTheSongsOutsideFades();
    void commandsAtTheSink_data();
    void commandsAtTheSink();
    void positionIsWhatTheSinkPlays();
    void songChangeInsertsNothing();

private:
    PrivateSoundServer m_server;
    std::unique_ptr<SinkRecorder> m_recorder;
    EngineTest::Reference m_song;
    ScenarioLog m_log;
    TransportAnalysis m_analysis;
};

void TransportAtSinkTest::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.error()));
    m_server.becomeThisProcessServer();
    m_recorder = std::make_unique<SinkRecorder>(PrivateSoundServer::MainSink);
    QVERIFY2(m_recorder->start(), qPrintable(m_recorder->error()));
    m_song = EngineTest::referenceDecode(EngineTest::fixture("sweep_stereo_a.mp3"));
    QCOMPARE(m_song.rate, Rate);

    // One run of every command serves the checks below; its engine is gone before the next.
    int endMs = 0;
    const std::vector<TransportCommand> commands = everyTransportCommand(Rate, endMs);
    {
        Mp3Engine engine;
        m_log = runTransportScenario(
            engine, *m_recorder, EngineTest::fixture("sweep_stereo_a.mp3"), Rate, commands, endMs);
    }
    QVERIFY2(m_log.error.isEmpty(), qPrintable(m_log.error));
    m_analysis = analyseTransport(m_recorder->recording(), m_song.pcm, m_log, HeadSkipMs);
    qInfo().noquote() << m_analysis.describe();
}

void TransportAtSinkTest::soundIsTheSongsOutsideFades()
{
    QVERIFY(!m_analysis.pieces.empty());
    QCOMPARE(m_analysis.framesOffTheSong, 0);
}

void TransportAtSinkTest::commandsAtTheSink_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("latencyGoalMs");
    // Silent once paused or stopped, heard again once played, the new place heard once sought:
    // a deep buffer in the server must be taken back, not played out.
    QTest::newRow("pause") << int(TransportCommand::Pause) << 30.0;
    QTest::newRow("stop") << int(TransportCommand::Stop) << 30.0;
    QTest::newRow("play") << int(TransportCommand::Play) << 50.0;
    QTest::newRow("seek") << int(TransportCommand::Seek) << 50.0;
}

void TransportAtSinkTest::commandsAtTheSink()
{
    QFETCH(int, kind);
    QFETCH(double, latencyGoalMs);
    std::vector<double> latencies;
    for (const CommandAtSink &command : m_analysis.commands) {
        if (command.command.kind != kind)
            continue;
        QVERIFY2(command.found, "the command's effect was not found at the sink");
        latencies.push_back(command.latencyMs);
        // No click: the wave is faded where it stops or starts, not cut.
        QVERIFY2(command.step <= command.stepAllowed,
            qPrintable(QStringLiteral("a step of %1 where a fade allows %2")
                           .arg(command.step)
                           .arg(command.stepAllowed)));
        // A resume goes on from the sample last heard: nothing lost, nothing repeated, but for
        // where a fade ends on an exact zero.
        if (kind == TransportCommand::Play)
            QVERIFY2(std::abs(command.framesSkipped) <= Rate / 1000,
                qPrintable(QStringLiteral("%1 frames skipped").arg(command.framesSkipped)));
    }
    QVERIFY(!latencies.empty());
    // The typical latency: on a shared machine any one command may wait for a processor.
    QVERIFY2(median(latencies) <= latencyGoalMs,
        qPrintable(QStringLiteral("median %1 ms").arg(median(latencies))));
}

void TransportAtSinkTest::positionIsWhatTheSinkPlays()
{
    const std::vector<double> &errors = m_analysis.positionErrorsMs;
    QVERIFY(errors.size() > 200);
    const double worst = std::abs(*std::max_element(errors.begin(), errors.end(),
        [](double a, double b) { return std::abs(a) < std::abs(b); }));
    QVERIFY2(worst <= 20.0, qPrintable(QStringLiteral("off by %1 ms").arg(worst)));
    QCOMPARE(m_analysis.largestBackwardMs, 0.0);
}

void TransportAtSinkTest::songChangeInsertsNothing()
{
    // The next song is opened and played from the end-of-stream handler, as the window does.
    const EngineTest::Reference second
        = EngineTest::referenceDecode(EngineTest::fixture("sweep_stereo_b.mp3"));
    StereoPcm both = m_song.pcm;
    both.insert(both.end(), second.pcm.begin(), second.pcm.end());
    Mp3Engine engine;
    int ends = 0;
    connect(&engine, &MediaPlayer::EndOfStream, this, [&] {
        if (++ends == 1) {
            engine.setFileName(EngineTest::fixture("sweep_stereo_b.mp3"));
            engine.Play();
        }
    });
    engine.setFileName(EngineTest::fixture("sweep_stereo_a.mp3"));
    const int64_t playedNs = steadyNowNs();
    engine.Play();
    QTRY_COMPARE_WITH_TIMEOUT(ends, 2, 10000);
    QVERIFY(waitUntilHeard(*m_recorder, steadyNowNs() + 300'000'000));

    const Recording recording = m_recorder->recording();
    const int64_t from = recording.frameAtNs(playedNs + HeadSkipMs * 1'000'000);
    const std::vector<ExactPiece> pieces
        = exactPieces(recording.pcm, from, recording.frames(), both, 441);
    QVERIFY(!pieces.empty());
    // One unbroken stretch from the first song into the second and to its last sample.
    const auto firstLength = static_cast<int64_t>(m_song.pcm.size() / 2);
    const ExactPiece &piece = pieces.front();
    qInfo("%zu pieces; the first from song frame %lld to %lld", pieces.size(),
        static_cast<long long>(piece.referenceBegin()),
        static_cast<long long>(piece.referenceEnd()));
    if (pieces.size() > 1 && piece.referenceEnd() <= firstLength) {
        const ExactPiece &next = pieces[1];
        const int64_t inserted
            = (next.begin - piece.end) - (next.referenceBegin() - piece.referenceEnd());
        QFAIL(qPrintable(QStringLiteral("%1 frames inserted at the change").arg(inserted)));
    }
    QCOMPARE(pieces.size(), size_t(1));
    QVERIFY(piece.referenceBegin() < firstLength);
    QCOMPARE(piece.referenceEnd(), static_cast<int64_t>(both.size() / 2));
    QCOMPARE(framesOutsidePieces(recording.pcm, from, recording.frames(), pieces, 0), 0);
}

BRENLOWICK_SOUND_TEST_MAIN(TransportAtSinkTest)
#include "transport_at_sink_test.moc"
