#include "bench/transitions_bench.h"

#include "app/main_window.h"
#include "bench/counting_message_box.h"
#include "engine/mp3_engine.h"
#include "platform/desktop_adapters.h"
#include "songlist/song_list_view.h"
#include "tests/engine/engine_test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <mpg123.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <numeric>
#include <optional>
#include <unistd.h>
#include <vector>

namespace {

constexpr int SongCount = 20;
// Twenty changes: through the list and back to its first song.
constexpr int Plays = SongCount + 1;
constexpr double SampleRate = 44100.0;

// Interleaved stereo as the engine hands it to the device, read back as the engine tests do.
using EngineTest::Pcm;
using EngineTest::readPcm;

// The whole file as 16-bit stereo, with or without libmpg123's gapless trimming.
Pcm decodeWhole(const std::filesystem::path &path, bool gapless)
{
    Pcm pcm;
    int error = 0;
    mpg123_handle *handle = mpg123_new(nullptr, &error);
    if (!handle)
        return pcm;
    mpg123_param(handle, gapless ? MPG123_FLAGS : MPG123_REMOVE_FLAGS,
        MPG123_GAPLESS | (gapless ? MPG123_QUIET : 0), 0.0);
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    mpg123_format_none(handle);
    mpg123_format(handle, static_cast<long>(SampleRate), MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open(handle, path.c_str()) == MPG123_OK) {
        std::vector<unsigned char> buffer(1 << 16);
        for (;;) {
            size_t got = 0;
            const int code = mpg123_read(handle, buffer.data(), buffer.size(), &got);
            const auto *samples = reinterpret_cast<const int16_t *>(buffer.data());
            pcm.insert(pcm.end(), samples, samples + got / 2);
            if (code != MPG123_OK && code != MPG123_NEW_FORMAT)
                break;
        }
        mpg123_close(handle);
    }
    mpg123_delete(handle);
    return pcm;
}

// The first frame at or after `from` where the whole song lies in the output sample for
// sample. Silence the device wrote before it is what the change inserted; the song's own
// quiet start is part of the match, so it is not counted.
std::optional<size_t> findSong(const Pcm &output, const Pcm &song, size_t from)
{
    const size_t songFrames = song.size() / 2;
    const size_t outputFrames = output.size() / 2;
    for (size_t frame = from; frame + songFrames <= outputFrames; ++frame) {
        if (std::equal(song.begin(), song.end(), output.begin() + 2 * frame))
            return frame;
    }
    return std::nullopt;
}

QByteArray id3v1Tag(int song)
{
    auto field = [](QByteArray text, int size) {
        text.truncate(size);
        return text.leftJustified(size, '\0');
    };
    return "TAG" + field("Transition " + QByteArray::number(song), 30)
        + field("Brenlowick bench", 30) + field({}, 30) + field({}, 4) + field({}, 30)
        + QByteArray(1, '\xff');
}

double milliseconds(double frames)
{
    return frames * 1000.0 / SampleRate;
}

void printRatio(const char *name, double ours, double baseline)
{
    std::printf("%s: ratio %.3f (ours %.2f ms, baseline %.2f ms)\n", name,
        baseline > 0 ? ours / baseline : 0.0, ours, baseline);
}

} // namespace

int runTransitionsBench(int argc, char *argv[])
{
    const std::filesystem::path seed = argc > 1
        ? std::filesystem::path(argv[1])
        : std::filesystem::path(BRENLOWICK_TEST_DATA) / "sine_440_cbr.mp3";
    QTemporaryDir dir;
    const QString pcmFile = dir.filePath(QStringLiteral("transitions.raw"));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", pcmFile.toLocal8Bit());
    // The disk driver's own pace: one buffer per buffer's worth of time, as a sound card.
    qunsetenv("SDL_DISKAUDIODELAY");
    QApplication application(argc, argv);

    QFile seedFile(QString::fromStdString(seed.native()));
    if (!dir.isValid() || !seedFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "transitions: cannot read %s\n", seed.c_str());
        return 1;
    }
    const QByteArray audio = seedFile.readAll();
    std::vector<std::string> songs;
    for (int song = 1; song <= SongCount; ++song) {
        const QString path
            = dir.filePath(QStringLiteral("song%1.mp3").arg(song, 2, 10, QLatin1Char('0')));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(audio + id3v1Tag(song)) < 0) {
            std::fprintf(stderr, "transitions: cannot write %s\n", qPrintable(path));
            return 1;
        }
        songs.push_back(path.toStdString());
    }
    const Pcm song = decodeWhole(seed, true);
    const Pcm untrimmed = decodeWhole(seed, false);
    if (song.empty() || untrimmed.size() < song.size()) {
        std::fprintf(stderr, "transitions: %s does not decode\n", seed.c_str());
        return 1;
    }

    int ends = 0;
    int boxes = 0;
    {
        CountingMessageBox messageBox("transitions");
        DesktopPlatform desktop(messageBox);
        Mp3Engine &player = desktop.player;
        frmMain window(desktop.platform);
        for (const std::string &path : songs) {
            window.SongPaths.push_back(path);
            window.SongList->AddItem(QString::fromStdString(path).section(QLatin1Char('/'), -1));
        }
        window.chkPlayLoop->setChecked(true);
        QObject::connect(&player, &MediaPlayer::EndOfStream, &window, [&] {
            if (++ends == Plays) {
                window.cmdPlayPanel_Click(2);
                application.quit();
            }
        });
        // Twenty-one seconds of songs; a run that has not ended in three times that is stuck.
        QTimer::singleShot(3 * Plays * 1000, &application, [&] { application.exit(1); });
        window.SongList->setListIndex(0);
        if (application.exec() != 0) {
            std::fprintf(stderr, "transitions: only %d of %d songs ended\n", ends, Plays);
            return 1;
        }
        boxes = messageBox.shown;
    } // the engine closes the device here, so the file holds everything it was handed

    const Pcm output = readPcm(pcmFile);
    std::vector<double> inserted;
    size_t from = 0;
    for (int play = 0; play < Plays; ++play) {
        const std::optional<size_t> start = findSong(output, song, from);
        if (!start) {
            std::fprintf(stderr, "transitions: song %d is not in the output whole\n", play + 1);
            return 1;
        }
        if (play > 0)
            inserted.push_back(static_cast<double>(*start - from));
        from = *start + song.size() / 2;
    }
    const double meanFrames = std::accumulate(inserted.begin(), inserted.end(), 0.0)
        / static_cast<double>(inserted.size());
    const double worstFrames = *std::max_element(inserted.begin(), inserted.end());
    // Without gapless trimming, every change would play the encoder's delay and padding.
    const double baselineFrames = static_cast<double>(untrimmed.size() - song.size()) / 2.0;
    printRatio("transitions-mean", milliseconds(meanFrames), milliseconds(baselineFrames));
    printRatio("transitions-worst", milliseconds(worstFrames), milliseconds(baselineFrames));
    std::fprintf(stderr, "transitions: %zu changes, goal under 5 ms mean and 20 ms worst: %s%s\n",
        inserted.size(),
        milliseconds(meanFrames) < 5.0 && milliseconds(worstFrames) < 20.0 ? "met" : "missed",
        boxes ? " (error boxes were shown)" : "");
    return boxes ? 1 : 0;
}
