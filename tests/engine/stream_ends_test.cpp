// The end of a song, driven by hand from the output's side of the stream: a pause that comes
// after the end is announced is honoured, a Play then does not restart the song, and with a
// server's output that takes back what it holds, a pause silences the song and the one queued
// behind it until Play, which goes on from where the sound stopped.
#include "engine_test_support.h"

#include "engine/mp3_decoder.h"
#include "engine/playback_stream.h"

#include <QTest>

using namespace EngineTest;

namespace {

constexpr int64_t Buffer = 4096;
constexpr long Rate = 48000;

struct Playing {
    std::shared_ptr<PlaybackStream> stream = std::make_shared<PlaybackStream>();
    Reference song = referenceDecode(fixture("sine_440_48k.mp3"));
    Pcm heard;

    int64_t songFrames() const { return static_cast<int64_t>(song.pcm.size() / 2); }
    // One device buffer as SDL's audio thread fills it.
    void fill()
    {
        Pcm buffer(static_cast<size_t>(Buffer) * 2);
        stream->fillDeviceBuffer(reinterpret_cast<unsigned char *>(buffer.data()), Buffer, Rate);
        heard.insert(heard.end(), buffer.begin(), buffer.end());
    }
    // What a server's output takes in one write.
    int64_t pull(int64_t frames)
    {
        Pcm buffer(static_cast<size_t>(frames) * 2);
        const int64_t got
            = stream->pull(reinterpret_cast<unsigned char *>(buffer.data()), frames, Rate);
        heard.insert(heard.end(), buffer.begin(), buffer.begin() + got * 2);
        return got;
    }
    // Fills until no more than a buffer of the song is left to hand: the end is announced then.
    // The song is decoded whole first, so that no buffer waits for the decoding: a busy machine
    // would otherwise make a gap, as a real device's late buffer does.
    void fillUntilTheEndIsAnnounced()
    {
        QVERIFY(spinUntil([&] { return stream->decodedToEnd(); }));
        while (songFrames() - stream->framesHanded() > Buffer)
            fill();
    }
};

} // namespace

class StreamEndsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pauseAfterTheAnnouncementIsHonoured()
    {
        Playing p;
        PlaybackStream::setDecoder(
            p.stream, std::make_shared<Mp3Decoder>(fixture("sine_440_48k.mp3")));
        p.stream->play();
        p.fillUntilTheEndIsAnnounced();
        p.stream->pause();
        // The window hears of no end, and nothing more of the song plays until Play.
        QVERIFY(!p.stream->takeEnd());
        const size_t beforePause = p.heard.size();
        p.fill();
        QVERIFY(std::all_of(p.heard.begin() + static_cast<std::ptrdiff_t>(beforePause),
            p.heard.end(), [](int16_t sample) { return sample == 0; }));
        p.stream->play();
        while (!p.stream->takeEnd())
            p.fill();
        p.stream->endHandled();
        p.fill();
        QVERIFY(!p.stream->takeEnd());
        const auto segments = soundSegments(p.heard);
        QCOMPARE(segments.size(), size_t(2));
        Pcm joined = segments[0];
        joined.insert(joined.end(), segments[1].begin(), segments[1].end());
        QVERIFY(joined == trimmedFrom(p.song.pcm, 0));
    }

    void playBeforeTheEndIsTakenDoesNotRestart()
    {
        Playing p;
        PlaybackStream::setDecoder(
            p.stream, std::make_shared<Mp3Decoder>(fixture("sine_440_48k.mp3")));
        p.stream->play();
        p.fillUntilTheEndIsAnnounced();
        p.stream->play();
        QVERIFY(p.stream->takeEnd());
        p.stream->play();
        p.stream->endHandled();
        p.fill();
        p.fill();
        QCOMPARE(p.stream->currentFrame(), p.songFrames());
        const auto segments = soundSegments(p.heard);
        QCOMPARE(segments.size(), size_t(1));
        QVERIFY(segments.front() == trimmedFrom(p.song.pcm, 0));
    }

    void pauseSilencesTheSongQueuedBehind()
    {
        Playing p;
        p.stream->setOutputCanTakeBack(true);
        PlaybackStream::setDecoder(
            p.stream, std::make_shared<Mp3Decoder>(fixture("sine_440_48k.mp3")));
        p.stream->play();
        while (p.pull(Buffer) > 0 || p.stream->framesHanded() < p.songFrames()) { }
        // The server holds all of the song; its end is announced, and the next song queued.
        QCOMPARE(p.stream->announceEndWithin(0, p.songFrames()), int64_t(0));
        QVERIFY(p.stream->takeEnd());
        PlaybackStream::setDecoder(
            p.stream, std::make_shared<Mp3Decoder>(fixture("sine_440_48k.mp3")));
        p.stream->play();
        p.stream->endHandled();
        QVERIFY(p.pull(Buffer) > 0);
        QVERIFY(p.stream->plan().sound);

        // Paused while the server still plays the first song's tail: it takes back all it holds
        // and plays a fade-out from where it stands; nothing more comes until Play.
        const int64_t stoppedAt = p.songFrames() - 2000;
        p.stream->heard(stoppedAt, 0, true, stoppedAt, Rate);
        p.stream->pause();
        QVERIFY(p.stream->plan().cut);
        Pcm fade(1000);
        const int64_t faded = p.stream->acknowledgeCut(
            stoppedAt, reinterpret_cast<unsigned char *>(fade.data()), 500);
        QCOMPARE(faded, Rate * PlaybackStream::FadeMilliseconds / 1000);
        QVERIFY(!p.stream->plan().sound);
        QCOMPARE(p.pull(Buffer), int64_t(0));

        // Play: the first song's rest from the end of the fade-out, then the second song.
        p.heard.clear();
        p.stream->play();
        while (p.pull(Buffer) > 0) { }
        const int64_t resumedAt = stoppedAt + faded;
        const auto tail = static_cast<std::ptrdiff_t>(2 * (p.songFrames() - resumedAt));
        QVERIFY(p.heard.size() > static_cast<size_t>(tail));
        // The fade-in aside, sample for sample the song from there, and the next one behind it.
        const auto fadeSamples = static_cast<std::ptrdiff_t>(2 * faded);
        QVERIFY(std::equal(p.heard.begin() + fadeSamples, p.heard.begin() + tail,
            p.song.pcm.begin() + 2 * resumedAt + fadeSamples));
        QVERIFY(std::equal(p.heard.begin() + tail, p.heard.end(), p.song.pcm.begin()));
    }
};

QTEST_GUILESS_MAIN(StreamEndsTest)
#include "stream_ends_test.moc"
