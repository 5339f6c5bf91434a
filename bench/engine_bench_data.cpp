#include "bench/engine_bench_data.h"

#include <mpg123.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

size_t mp3FrameLength(const unsigned char *header)
{
    static const int bitrates[16]
        = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int rates[4] = {44100, 48000, 32000, 0};
    if (header[0] != 0xFF || (header[1] & 0xFE) != 0xFA)
        return 0; // not MPEG-1 Layer III
    const int bitrate = bitrates[header[2] >> 4];
    const int rate = rates[(header[2] >> 2) & 3];
    if (bitrate == 0 || rate == 0)
        return 0;
    return static_cast<size_t>(144 * bitrate * 1000 / rate + ((header[2] >> 1) & 1));
}

namespace {

void putBigEndian(unsigned char *at, uint32_t value)
{
    at[0] = static_cast<unsigned char>(value >> 24);
    at[1] = static_cast<unsigned char>(value >> 16);
    at[2] = static_cast<unsigned char>(value >> 8);
    at[3] = static_cast<unsigned char>(value);
}

} // namespace

std::filesystem::path engineBenchSeed()
{
    return std::filesystem::path(BRENLOWICK_TEST_DATA) / "bench_seed_192k.mp3";
}

bool writeLongMp3(const std::filesystem::path &target, double seconds)
{
    std::ifstream in(engineBenchSeed(), std::ios::binary);
    const std::vector<unsigned char> seed(
        (std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t infoLength = seed.size() >= 4 ? mp3FrameLength(seed.data()) : 0;
    if (infoLength == 0 || infoLength > seed.size()) {
        std::fprintf(stderr, "bench: %s is not the expected MP3 seed\n", engineBenchSeed().c_str());
        return false;
    }
    std::vector<unsigned char> info(seed.begin(), seed.begin() + infoLength);
    static const char infoId[] = {'I', 'n', 'f', 'o'};
    const auto tag = std::search(info.begin(), info.end(), std::begin(infoId), std::end(infoId));
    if (tag == info.end() || std::distance(tag, info.end()) < 16 || !(tag[7] & 3)) {
        std::fprintf(stderr, "bench: the seed has no Info header with counts\n");
        return false;
    }
    // Only whole frames are repeated; a torn tail would fall out of step with the headers.
    size_t audioEnd = infoLength;
    size_t frames = 0;
    while (audioEnd + 4 <= seed.size()) {
        const size_t length = mp3FrameLength(seed.data() + audioEnd);
        if (length == 0 || audioEnd + length > seed.size())
            break;
        audioEnd += length;
        ++frames;
    }
    const double seedSeconds = static_cast<double>(frames) * 1152.0 / 44100.0;
    const auto repeats = static_cast<size_t>(seconds / seedSeconds) + 1;
    const size_t audioBytes = audioEnd - infoLength;
    // The counts cover the audio frames alone, and the bytes of the whole file.
    putBigEndian(&tag[8], static_cast<uint32_t>(frames * repeats));
    putBigEndian(&tag[12], static_cast<uint32_t>(infoLength + audioBytes * repeats));

    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(
        reinterpret_cast<const char *>(info.data()), static_cast<std::streamsize>(infoLength));
    for (size_t i = 0; i < repeats; ++i)
        out.write(reinterpret_cast<const char *>(seed.data() + infoLength),
            static_cast<std::streamsize>(audioBytes));
    return static_cast<bool>(out);
}

BareDecoder::BareDecoder(const std::filesystem::path &path)
{
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    m_handle = mpg123_new(nullptr, nullptr);
    mpg123_param(m_handle, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
    mpg123_format_none(m_handle);
    const long *rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(m_handle, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
    mpg123_open_fd(m_handle, m_fd);
    int channels = 0;
    int encoding = 0;
    mpg123_getformat(m_handle, &m_rate, &channels, &encoding);
}

BareDecoder::~BareDecoder()
{
    mpg123_close(m_handle);
    mpg123_delete(m_handle);
    ::close(m_fd);
}

void BareDecoder::seek(int64_t frame)
{
    mpg123_seek(m_handle, static_cast<off_t>(frame), SEEK_SET);
}

int64_t BareDecoder::decode(int64_t frames)
{
    unsigned char buffer[1024 * 4];
    int64_t done = 0;
    while (done < frames) {
        size_t got = 0;
        const int code = mpg123_read(m_handle, buffer, sizeof buffer, &got);
        done += static_cast<int64_t>(got / 4);
        if (code != MPG123_OK && code != MPG123_NEW_FORMAT)
            break;
    }
    return done;
}
