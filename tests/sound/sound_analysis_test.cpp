// The analysis the sound tests rest on, on recordings made up here: if it misplaced a stretch,
// missed an inserted frame or took a cut for a fade, every sound test would be wrong with it.

#include "sound/harness/sound_analysis.h"

#include <QTest>

#include <cmath>

namespace {

constexpr int64_t Rate = 44100;

// Two seconds of a stereo sweep, as the sound fixtures are.
StereoPcm sweep()
{
    StereoPcm pcm;
    for (int64_t frame = 0; frame < 2 * Rate; ++frame) {
        const double t = static_cast<double>(frame) / Rate;
        pcm.push_back(static_cast<int16_t>(16000 * std::cos(2 * M_PI * (220 * t + 110 * t * t))));
        pcm.push_back(static_cast<int16_t>(16000 * std::cos(2 * M_PI * (330 * t + 55 * t * t))));
    }
    return pcm;
}

StereoPcm slice(const StereoPcm &pcm, int64_t from, int64_t to)
{
    return StereoPcm(pcm.begin() + 2 * from, pcm.begin() + 2 * to);
}

void append(StereoPcm &to, const StereoPcm &more)
{
    to.insert(to.end(), more.begin(), more.end());
}

} // namespace

class SoundAnalysisTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void piecesShowWhatWasInsertedOrLost_data();
    void piecesShowWhatWasInsertedOrLost();
    void aCutIsASteeperStepThanAFade_data();
    void aCutIsASteeperStepThanAFade();
};

void SoundAnalysisTest::piecesShowWhatWasInsertedOrLost_data()
{
    QTest::addColumn<int>("lead"); // silent frames before the sound
    QTest::addColumn<int>("jump"); // song frames skipped (more than 0) or repeated (less)
    QTest::addColumn<int>("inserted"); // silent frames at the join
    QTest::newRow("unbroken") << 1000 << 0 << 0;
    QTest::newRow("one frame of silence") << 37 << 0 << 1;
    QTest::newRow("one frame lost") << 0 << 1 << 0;
    QTest::newRow("a buffer repeated") << 5000 << -4096 << 0;
    QTest::newRow("a seek forward") << 222 << 20000 << 300;
}

void SoundAnalysisTest::piecesShowWhatWasInsertedOrLost()
{
    QFETCH(int, lead);
    QFETCH(int, jump);
    QFETCH(int, inserted);
    const StereoPcm song = sweep();
    const int64_t join = Rate / 2;
    StereoPcm heard(2 * static_cast<size_t>(lead), 0);
    append(heard, slice(song, 3000, join));
    append(heard, StereoPcm(2 * static_cast<size_t>(inserted), 0));
    append(heard, slice(song, join + jump, join + jump + Rate / 2));

    const std::vector<ExactPiece> pieces = exactPieces(heard, 0, heard.size() / 2, song, 441);
    const ExactPiece *first = pieceAt(pieces, lead);
    QVERIFY(first);
    QCOMPARE(first->referenceBegin(), int64_t(3000));
    QCOMPARE(framesOutsidePieces(heard, 0, heard.size() / 2, pieces, 0), int64_t(0));
    if (jump == 0 && inserted == 0) {
        QCOMPARE(pieces.size(), size_t(1));
        return;
    }
    QCOMPARE(pieces.size(), size_t(2));
    QCOMPARE(first->referenceEnd(), join);
    QCOMPARE(pieces[1].referenceBegin(), join + jump);
    QCOMPARE(pieces[1].begin - first->end, int64_t(inserted));
}

void SoundAnalysisTest::aCutIsASteeperStepThanAFade_data()
{
    QTest::addColumn<int>("fadeFrames"); // 0: cut
    QTest::addColumn<bool>("allowed");
    QTest::newRow("cut") << 0 << false;
    QTest::newRow("two frames' fade") << 2 << false;
    QTest::newRow("4 ms fade") << 176 << true;
    QTest::newRow("5 ms fade") << 220 << true;
}

void SoundAnalysisTest::aCutIsASteeperStepThanAFade()
{
    QFETCH(int, fadeFrames);
    QFETCH(bool, allowed);
    const StereoPcm song = sweep();
    // Stopped at a loud sample, after a fade of the frames before it, then silence.
    int64_t stop = Rate / 3;
    while (std::abs(song[2 * stop]) < 12000)
        ++stop;
    StereoPcm heard = slice(song, 0, stop);
    for (int64_t i = 0; i < fadeFrames; ++i) {
        const double gain = static_cast<double>(fadeFrames - i) / (fadeFrames + 1);
        for (int channel = 0; channel < 2; ++channel) {
            int16_t &sample = heard[2 * (stop - fadeFrames + i) + channel];
            sample = static_cast<int16_t>(std::lround(sample * gain));
        }
    }
    append(heard, StereoPcm(2 * Rate / 10, 0));
    const int step = largestStep(heard, stop - 300, stop + 10);
    const int allowance = fadeStepAllowance(song, stop - 300, stop + 10, 220);
    QVERIFY2((step <= allowance) == allowed,
        qPrintable(QStringLiteral("step %1, allowance %2").arg(step).arg(allowance)));
    QCOMPARE(silenceStart(heard, 0, heard.size() / 2, 441), stop);
}

QTEST_GUILESS_MAIN(SoundAnalysisTest)
#include "sound_analysis_test.moc"
