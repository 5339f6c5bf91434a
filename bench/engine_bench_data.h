#ifndef BRENLOWICK_ENGINE_BENCH_DATA_H
#define BRENLOWICK_ENGINE_BENCH_DATA_H

#include <cstddef>
#include <cstdint>
#include <filesystem>

struct mpg123_handle_struct;

// The engine benchmarks' input: a long 192 kbps MP3 with an Info header, made at bench time
// from the short committed seed by repeating its frames (no encoder needed), so nothing large
// is kept in the repository.
std::filesystem::path engineBenchSeed();

// Writes `seconds` (rounded up to whole seeds) of audio to `target`: the seed's Info frame,
// with its frame and byte counts rewritten, then the seed's audio frames over and over.
// Each repetition starts with a frame that borrows nothing from the one before, so the
// joins decode cleanly. Returns false with a message on stderr when the seed is unusable.
bool writeLongMp3(const std::filesystem::path &target, double seconds);

// The bare baseline: libmpg123 set up as the engine sets it up, nothing else.
class BareDecoder {
public:
    explicit BareDecoder(const std::filesystem::path &path);
    ~BareDecoder();
    BareDecoder(const BareDecoder &) = delete;
    BareDecoder &operator=(const BareDecoder &) = delete;

    long rate() const { return m_rate; }
    void seek(int64_t frame);
    // Decodes this many frames in device-sized reads; returns the frames decoded.
    int64_t decode(int64_t frames);

private:
    mpg123_handle_struct *m_handle = nullptr;
    int m_fd = -1;
    long m_rate = 0;
};
// Length of the MPEG-1 Layer III frame whose 4-byte header starts here, or 0 if it is none.
size_t mp3FrameLength(const unsigned char *header);

#endif
