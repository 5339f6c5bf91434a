// The decoding thread's and the device's sides of playback driven by hand, one device buffer at
// a time: decoding ahead in bursts hands over every sample once and in order, and the end is
// announced only when its last sample is a buffer away, however far ahead the decoding has run.
#include "engine_test_support.h"

#include "engine/audio_output.h"
#include "engine/cross_thread_signal.h"
#include "engine/mp3_decoder.h"
#include "engine/playback_stream.h"
#include "engine/thread_wakeup.h"

#include <QTest>

#include <cstring>

using namespace EngineTest;

namespace {

constexpr int BufferFrames = AudioOutput::BufferFrames;

// Renders one device buffer and appends it to `heard`, after as much decoding as the stream
// asks for.
void renderBuffer(PlaybackStream &stream, Pcm &heard)
{
    while (stream.decodeNext()) {
    }
    Pcm buffer(static_cast<size_t>(BufferFrames) * 2);
    stream.render(
        reinterpret_cast<unsigned char *>(buffer.data()), BufferFrames * Mp3Decoder::BytesPerFrame);
    heard.insert(heard.end(), buffer.begin(), buffer.end());
}

// A stream playing a fixture from its start, with the fixture's reference decoding.
struct PlayingFixture
{
    Reference reference;
    CrossThreadSignal endSignal;
    ThreadWakeup decodeMore;
    PlaybackStream stream;

    explicit PlayingFixture(const char *name)
        : reference(referenceDecode(fixture(name))), stream(endSignal, decodeMore)
    {
        stream.setDecoder(std::make_shared<Mp3Decoder>(fixture(name)));
        stream.setPlaying(true);
    }
};

} // namespace

class PlaybackStreamTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void everySampleOnceAndTheEndABufferAway()
    {
        // Half a second: decoded to its end buffers before its end is to be announced.
        PlayingFixture playing("sine_440_48k.mp3");
        PlaybackStream &stream = playing.stream;
        const Pcm &reference = playing.reference.pcm;
        const auto total = static_cast<int64_t>(reference.size() / 2);

        Pcm heard;
        int ends = 0;
        bool decodedButNotEnded = false;
        for (int round = 0; round < 40 && ends == 0; ++round) {
            renderBuffer(stream, heard);
            const int64_t left = total - stream.framesHanded();
            // Not ended while more than a buffer is left, even once decoded to the end: a
            // resume in the last part of a song must not start it over.
            QCOMPARE(stream.ended(), left <= BufferFrames);
            decodedButNotEnded = decodedButNotEnded || (stream.decodedToEnd() && !stream.ended());
            if (stream.takeEnd()) {
                ++ends;
                QVERIFY(left >= 0);
            }
        }
        QCOMPARE(ends, 1);
        QVERIFY(decodedButNotEnded);
        QVERIFY(!stream.takeEnd());
        // The tail plays out after the end has been taken, then silence.
        for (int round = 0; round < 3; ++round)
            renderBuffer(stream, heard);
        QVERIFY(!stream.takeEnd());
        const auto segments = soundSegments(heard);
        QCOMPARE(segments.size(), size_t(1));
        QVERIFY(segments.front() == trimmedFrom(reference, 0));
    }

    void pausedNearTheEndResumesWhereItWas()
    {
        PlayingFixture playing("sine_440_48k.mp3");
        PlaybackStream &stream = playing.stream;
        const Pcm &reference = playing.reference.pcm;
        Pcm heard;
        // Paused where the decoding has reached the end and the end is still to come.
        while (!stream.decodedToEnd())
            renderBuffer(stream, heard);
        QVERIFY(!stream.ended());
        stream.setPlaying(false);
        const int64_t pausedAt = stream.framesHanded();
        Pcm whilePaused;
        renderBuffer(stream, whilePaused);
        QCOMPARE(stream.framesHanded(), pausedAt);
        QVERIFY(soundSegments(whilePaused).empty());
        QVERIFY(!stream.ended());
        stream.setPlaying(true);
        while (!stream.takeEnd())
            renderBuffer(stream, heard);
        renderBuffer(stream, heard);
        const auto segments = soundSegments(heard);
        QCOMPARE(segments.size(), size_t(1));
        QVERIFY(segments.front() == trimmedFrom(reference, 0));
    }

    void aLateBufferNeverTakesThePositionBack()
    {
        // A device that asks for its next buffer late (a busy machine, a sound server's uneven
        // pace): meanwhile the position runs on to the end of what it was handed, and the
        // next buffer must not pull it back into the middle of the last one.
        PlayingFixture playing("sine_440_cbr.mp3");
        PlaybackStream &stream = playing.stream;
        Pcm heard;
        renderBuffer(stream, heard);
        QTRY_COMPARE(stream.currentFrame(), stream.framesHanded());
        const int64_t before = stream.currentFrame();
        renderBuffer(stream, heard);
        const int64_t after = stream.currentFrame();
        QVERIFY2(after >= before,
                 qPrintable(QStringLiteral("from %1 back to %2").arg(before).arg(after)));
    }
};

QTEST_MAIN(PlaybackStreamTest)
#include "playback_stream_test.moc"
