#ifndef BRENLOWICK_ENGINE_TEST_SUPPORT_H
#define BRENLOWICK_ENGINE_TEST_SUPPORT_H

// What the engine tests share: the fixtures, a reference decode by a bare libmpg123 loop, and
// the PCM that SDL's disk driver wrote.

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QtGlobal>

#include <mpg123.h>

#include <chrono>
#include <cstdlib>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace EngineTest {

inline std::filesystem::path fixture(const char *name)
{
    return std::filesystem::path(BRENLOWICK_TEST_DATA) / name;
}

// Interleaved stereo, as the engine hands it to the device.
using Pcm = std::vector<int16_t>;

struct Reference
{
    Pcm pcm;
    long rate = 0;
    int64_t unscannedLength = 0; // what libmpg123 guesses before reading the whole file
};

inline Reference referenceDecode(const std::filesystem::path &path)
{
    Reference reference;
    int error = 0;
    mpg123_handle *handle = mpg123_new(nullptr, &error);
    mpg123_param(handle, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
    mpg123_format_none(handle);
    const long *rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(handle, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd >= 0 && mpg123_open_fd(handle, fd) == MPG123_OK) {
        int channels = 0;
        int encoding = 0;
        mpg123_getformat(handle, &reference.rate, &channels, &encoding);
        reference.unscannedLength = mpg123_length(handle);
        std::vector<unsigned char> buffer(1 << 16);
        for (;;) {
            size_t got = 0;
            const int code = mpg123_read(handle, buffer.data(), buffer.size(), &got);
            const auto *samples = reinterpret_cast<const int16_t *>(buffer.data());
            reference.pcm.insert(reference.pcm.end(), samples, samples + got / 2);
            if (code != MPG123_OK && code != MPG123_NEW_FORMAT)
                break;
        }
        mpg123_close(handle);
    }
    mpg123_delete(handle);
    if (fd >= 0)
        ::close(fd);
    return reference;
}

inline Pcm readPcm(const QString &file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = in.readAll();
    Pcm pcm(static_cast<size_t>(bytes.size()) / 2);
    std::memcpy(pcm.data(), bytes.constData(), pcm.size() * 2);
    return pcm;
}

inline bool silentFrame(const Pcm &pcm, size_t frame)
{
    return pcm[2 * frame] == 0 && pcm[2 * frame + 1] == 0;
}

// The stretches of sound between runs of silence of at least `gap` frames, with their own
// leading and trailing zero frames cut (a tone can start or end on an exact zero).
inline std::vector<Pcm> soundSegments(const Pcm &pcm, size_t gap = 512)
{
    std::vector<Pcm> segments;
    const size_t frames = pcm.size() / 2;
    size_t frame = 0;
    while (frame < frames) {
        while (frame < frames && silentFrame(pcm, frame))
            ++frame;
        if (frame == frames)
            break;
        const size_t start = frame;
        size_t lastSound = frame;
        size_t zeros = 0;
        while (frame < frames && zeros < gap) {
            if (silentFrame(pcm, frame)) {
                ++zeros;
            } else {
                zeros = 0;
                lastSound = frame;
            }
            ++frame;
        }
        segments.emplace_back(pcm.begin() + static_cast<std::ptrdiff_t>(2 * start),
                              pcm.begin() + static_cast<std::ptrdiff_t>(2 * lastSound + 2));
    }
    return segments;
}

// The reference from this frame on, trimmed the same way as a sound segment.
inline Pcm trimmedFrom(const Pcm &pcm, int64_t fromFrame)
{
    const auto all = soundSegments(
        Pcm(pcm.begin() + static_cast<std::ptrdiff_t>(2 * fromFrame), pcm.end()),
        pcm.size());
    return all.empty() ? Pcm{} : all.front();
}

// Equal sample for sample, but for a rounding step here and there: libmpg123's output after a
// seek depends that much on where in the stream its decoder was before it. A seek that lands a
// sample off, or a lost or repeated stretch, still differs by far more.
inline bool equalAfterSeek(const Pcm &heard, const Pcm &expected)
{
    if (heard.size() != expected.size())
        return false;
    for (size_t i = 0; i < heard.size(); ++i) {
        if (std::abs(heard[i] - expected[i]) > 1)
            return false;
    }
    return true;
}

// Zero crossings of the left channel, as a frequency.
inline double toneFrequency(const Pcm &pcm, long rate)
{
    int crossings = 0;
    for (size_t i = 2; i < pcm.size(); i += 2) {
        if ((pcm[i - 2] < 0) != (pcm[i] < 0))
            ++crossings;
    }
    return crossings / 2.0 / (static_cast<double>(pcm.size() / 2) / rate);
}

inline qint64 fileSize(const QString &file)
{
    return QFileInfo(file).size();
}

// For the moments when the UI thread must not run its event loop (so that a queued end of
// stream is not delivered yet) but the audio thread must get somewhere first.
inline bool spinUntil(const std::function<bool()> &condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

// About half a minute of audio, far more than the engine's reader holds in memory, so that the
// file is still being read when it changes. The fixture has no length header: the engine scans
// the whole chain.
inline QByteArray longSong()
{
    QFile file(QString::fromStdString(fixture("vbr_no_xing.mp3").native()));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().repeated(24);
}

inline bool writeLongSong(const std::filesystem::path &path)
{
    const QByteArray bytes = longSong();
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.constData(), bytes.size());
    return bytes.size() > 128 * 1024 && std::filesystem::file_size(path) == size_t(bytes.size());
}

// Limits the size of every file the process writes, SDL's output included, for one scope: the
// disk driver gives up its device when a write fails, as a sound card does when it is
// unplugged.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        // Past the limit a write fails instead of the process being killed.
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, m_old.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { lift(); }
    void lift() { ::setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old{};
};

} // namespace EngineTest

#endif
