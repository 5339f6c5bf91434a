#ifndef BRENLOWICK_MP3_DECODER_H
#define BRENLOWICK_MP3_DECODER_H

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "engine/buffered_file_reader.h"

struct mpg123_handle_struct;

// One opened MP3 file, decoded by libmpg123 to interleaved signed 16-bit stereo at the file's
// own sample rate (mono is doubled), gapless, with sample-exact seeking.
// Opening throws AppError; reading and seeking never throw. Not thread-safe: the owner
// serialises calls (the engine opens a song on the UI thread and then hands it to the decoding
// thread, which alone reads and seeks it). The sample rate and length never change once open.
class Mp3Decoder
{
public:
    static constexpr int Channels = 2;
    static constexpr int BytesPerFrame = Channels * 2;

    // Opens the file (raw path bytes) and determines its exact length, scanning the file only
    // when no Info/Xing header gives it. Throws AppError: 53 missing, 76 a missing folder on
    // the way, 75 unreadable or not a file, 5 not MP3 audio (with libmpg123's text).
    // `read` is how the file's bytes are read (::read when empty).
    explicit Mp3Decoder(const std::filesystem::path &path, FileReadFunction read = {});
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder &) = delete;
    Mp3Decoder &operator=(const Mp3Decoder &) = delete;

    long sampleRate() const { return m_sampleRate; }
    // Length in sample frames (per channel), gapless.
    int64_t lengthFrames() const { return m_lengthFrames; }

    struct ReadResult
    {
        size_t bytes = 0;  // whole frames written to the buffer
        bool ended = false; // the stream has no more audio (its end, or damage it cannot pass)
    };
    // Fills up to `capacity` bytes. Allocates nothing and takes no lock.
    ReadResult read(unsigned char *buffer, size_t capacity);
    // Moves to this frame (clamped to the length); returns the frame the next read starts at.
    int64_t seek(int64_t frame);

private:
    // Within this many frames of the start a seek reopens the stream (see seek()).
    static constexpr int64_t NearStartFrames = 16 * 1152;

    int m_fd = -1;
    std::unique_ptr<BufferedFileReader> m_reader;
    mpg123_handle_struct *m_handle = nullptr;
    long m_sampleRate = 0;
    int64_t m_lengthFrames = 0;
};

#endif
