// The engine while the sound server changes under it: its sink suspended, its stream moved to
// another sink, the server killed and started again. The song plays on through the first two;
// the third reaches the window as a lost device, and a Play once the server is back goes on
// from where the song was heard.

#include "engine/engine_test_support.h"
#include "sound/harness/private_sound_server.h"
#include "sound/harness/sink_recorder.h"
#include "sound/harness/sound_analysis.h"
#include "sound/harness/transport_scenario.h"
#include "sound/sound_test_main.h"

#include "app/app_error.h"
#include "engine/mp3_engine.h"

#include <memory>
#include <optional>
#include <thread>

namespace {

constexpr long Rate = PrivateSoundServer::Rate;
constexpr int64_t NsPerMs = 1'000'000;
constexpr int HeadSkipMs = 300;
constexpr int64_t FramesPerMs = Rate / 1000;
// What a server drops or repeats when a sink suspends or a stream moves (what the sink had
// rendered ahead: a few milliseconds here, at the recorder's latency), whatever its client does.
constexpr int64_t ServerSlack = 20 * FramesPerMs;

// Song frames skipped (more than 0) or repeated (less) from the end of one stretch heard to the
// start of the next.
int64_t skippedBetween(const ExactPiece &earlier, const ExactPiece &later)
{
    return later.referenceBegin() - earlier.referenceEnd();
}

// Reads the position as the window's refresh does, four times a second, for this long; the
// error of the first read that throws, if one does.
std::optional<AppError> readPositionFor(const MediaPlayer &player, int ms)
{
    const int64_t until = steadyNowNs() + ms * NsPerMs;
    try {
        do {
            player.CurrentPosition();
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 250)));
        } while (steadyNowNs() < until);
    } catch (const AppError &error) {
        return error;
    }
    return std::nullopt;
}

// The stretches of the song heard from `fromNs` on.
std::vector<ExactPiece> songHeard(
    const SinkRecorder &recorder, int64_t fromNs, const StereoPcm &song)
{
    const Recording recording = recorder.recording();
    return exactPieces(recording.pcm, recording.frameAtNs(fromNs), recording.frames(), song, 441);
}

QString describe(const std::vector<ExactPiece> &pieces)
{
    QStringList parts;
    for (const ExactPiece &piece : pieces)
        parts << QStringLiteral("song frames %1 to %2 (%3 ms)")
                     .arg(piece.referenceBegin())
                     .arg(piece.referenceEnd())
                     .arg((piece.end - piece.begin) / FramesPerMs);
    return parts.join(QStringLiteral(", "));
}

} // namespace

class ServerChangesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void suspendedSinkPlaysOn();
    void streamMovedToAnotherSinkPlaysOn();
    void killedServerIsALostDeviceAndPlayResumes();
    void noServerMeansSdl();

private:
    // Opens the song and plays it; the time Play returned.
    int64_t startSong(Mp3Engine &engine);

    PrivateSoundServer m_server;
    std::unique_ptr<SinkRecorder> m_recorder;
    EngineTest::Reference m_song;
};

void ServerChangesTest::initTestCase()
{
    QVERIFY2(m_server.start(), qPrintable(m_server.error()));
    m_server.becomeThisProcessServer();
    m_recorder = std::make_unique<SinkRecorder>(PrivateSoundServer::MainSink);
    QVERIFY2(m_recorder->start(), qPrintable(m_recorder->error()));
    m_song = EngineTest::referenceDecode(EngineTest::fixture("sweep_stereo_a.mp3"));
}

int64_t ServerChangesTest::startSong(Mp3Engine &engine)
{
    engine.setFileName(EngineTest::fixture("sweep_stereo_a.mp3"));
    engine.Play();
    return steadyNowNs();
}

void ServerChangesTest::suspendedSinkPlaysOn()
{
    Mp3Engine engine;
    const int64_t playedNs = startSong(engine);
    QVERIFY(!readPositionFor(engine, 500));
    QVERIFY2(
        m_server.suspendSink(PrivateSoundServer::MainSink, true), qPrintable(m_server.error()));
    // Suspended is not lost: nothing to report, and the song waits.
    const std::optional<AppError> whileSuspended = readPositionFor(engine, 300);
    QVERIFY2(
        m_server.suspendSink(PrivateSoundServer::MainSink, false), qPrintable(m_server.error()));
    QVERIFY2(!whileSuspended, whileSuspended ? whileSuspended->what() : "");
    QVERIFY(!readPositionFor(engine, 600));
    QVERIFY(waitUntilHeard(*m_recorder, steadyNowNs()));

    // Heard on from where it stopped (but for what the sink itself drops as it suspends, a
    // block of its own), and for half a second after.
    const std::vector<ExactPiece> pieces
        = songHeard(*m_recorder, playedNs + HeadSkipMs * NsPerMs, m_song.pcm);
    QVERIFY2(!pieces.empty() && pieces.size() <= 2, qPrintable(describe(pieces)));
    QVERIFY2(std::abs(skippedBetween(pieces.front(), pieces.back())) <= ServerSlack,
        qPrintable(describe(pieces)));
    QVERIFY2(
        pieces.back().end - pieces.front().begin > 700 * FramesPerMs, qPrintable(describe(pieces)));
}

void ServerChangesTest::streamMovedToAnotherSinkPlaysOn()
{
    SinkRecorder other(PrivateSoundServer::OtherSink);
    QVERIFY2(other.start(), qPrintable(other.error()));
    Mp3Engine engine;
    const int64_t playedNs = startSong(engine);
    QVERIFY(!readPositionFor(engine, 500));
    const int64_t movedNs = steadyNowNs();
    QCOMPARE(m_server.moveStreams(PrivateSoundServer::MainSink, PrivateSoundServer::OtherSink), 1);
    const std::optional<AppError> afterMove = readPositionFor(engine, 600);
    QVERIFY2(!afterMove, afterMove ? afterMove->what() : "");
    QVERIFY(waitUntilHeard(other, steadyNowNs()));
    QVERIFY(waitUntilHeard(*m_recorder, steadyNowNs()));

    // The song leaves the first sink and goes on at the other, from where it left, but for
    // what the server itself drops or repeats in a move.
    const std::vector<ExactPiece> before
        = songHeard(*m_recorder, playedNs + HeadSkipMs * NsPerMs, m_song.pcm);
    const std::vector<ExactPiece> after = songHeard(other, movedNs - 100 * NsPerMs, m_song.pcm);
    QVERIFY2(before.size() == 1, qPrintable(describe(before)));
    QVERIFY2(!after.empty(), "nothing of the song reached the other sink");
    qInfo("the move skipped %lld frames",
        static_cast<long long>(skippedBetween(before.front(), after.front())));
    QVERIFY2(std::abs(skippedBetween(before.front(), after.front())) <= ServerSlack,
        qPrintable(describe(before) + QStringLiteral(" then ") + describe(after)));
    QVERIFY2(
        after.back().end - after.front().begin > 400 * FramesPerMs, qPrintable(describe(after)));
}

void ServerChangesTest::killedServerIsALostDeviceAndPlayResumes()
{
    Mp3Engine engine;
    const int64_t playedNs = startSong(engine);
    QVERIFY(!readPositionFor(engine, 600));
    // The server's own output, not SDL's way to the same server.
    QCOMPARE(engine.outputName(), QStringLiteral("pulse"));
    QVERIFY(waitUntilHeard(*m_recorder, steadyNowNs()));
    const int64_t killedNs = steadyNowNs();
    m_server.kill();

    // The window's refresh reads the position four times a second: one of the reads within a
    // second tells it that the device is gone.
    const std::optional<AppError> lost = readPositionFor(engine, 1500);
    const int64_t reportedNs = steadyNowNs();
    QVERIFY2(lost, "the server's end was never reported");
    QCOMPARE(lost->number(), ErrNo::E_FAIL_CODE);
    qInfo("reported %lld ms after the kill",
        static_cast<long long>((reportedNs - killedNs) / NsPerMs));
    // (The read that throws may come a little after the second, by the sleep's overshoot.)
    QVERIFY((reportedNs - killedNs) / NsPerMs <= 1100);

    const std::vector<ExactPiece> heard
        = songHeard(*m_recorder, playedNs + HeadSkipMs * NsPerMs, m_song.pcm);
    QVERIFY2(heard.size() == 1, qPrintable(describe(heard)));
    const int64_t lastHeard = heard.back().referenceEnd();

    // Back, and played again: the song goes on from where it was heard, in the same engine.
    QVERIFY2(m_server.start(), qPrintable(m_server.error()));
    m_recorder = std::make_unique<SinkRecorder>(PrivateSoundServer::MainSink);
    QVERIFY2(m_recorder->start(), qPrintable(m_recorder->error()));
    const int64_t resumedNs = steadyNowNs();
    engine.Play();
    QVERIFY(!readPositionFor(engine, 800));
    QVERIFY(waitUntilHeard(*m_recorder, steadyNowNs()));
    const Recording recording = m_recorder->recording();
    const int64_t firstSound
        = soundStart(recording.pcm, recording.frameAtNs(resumedNs), recording.frames());
    const std::vector<ExactPiece> resumed
        = exactPieces(recording.pcm, firstSound, recording.frames(), m_song.pcm, 441);
    QVERIFY2(!resumed.empty(), "nothing of the song after the server came back");
    // Where the resumed sound begins in the song, counted back from its first exact stretch.
    const int64_t resumedAt = firstSound + resumed.front().offset;
    qInfo("heard until song frame %lld, resumed at %lld", static_cast<long long>(lastHeard),
        static_cast<long long>(resumedAt));
    // The recorder may have missed the last milliseconds the sink played before the kill.
    QVERIFY2(std::abs(resumedAt - lastHeard) <= 30 * FramesPerMs,
        qPrintable(QStringLiteral("resumed %1 ms from where the song was heard")
                       .arg((resumedAt - lastHeard) / FramesPerMs)));
}

void ServerChangesTest::noServerMeansSdl()
{
    // No server answers where the player looks: SDL's output plays (or reports that it has no
    // device), and no server is started for it.
    const QByteArray server = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/brenlowick/native");
    {
        Mp3Engine engine;
        startSong(engine);
        QTRY_COMPARE(engine.outputName(), QStringLiteral("sdl"));
    }
    qputenv("PULSE_SERVER", server);
}

BRENLOWICK_SOUND_TEST_MAIN(ServerChangesTest)
#include "server_changes_test.moc"
