#ifndef BRENLOWICK_MP3_DECODER_H
#define BRENLOWICK_MP3_DECODER_H

#include "engine/buffered_file_reader.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

struct mpg123_handle_struct;
struct SongFile;

// One opened MP3 file, decoded by libmpg123 to interleaved signed 16-bit stereo at the rate of
// its first frame (mono is doubled; a part at another rate further on is converted to it, so
// that it keeps its pitch), gapless, with sample-exact seeking.
// Opening reads only the file's head and tail, never the whole file: where no header states the
// length, lengthFrames() is an estimate, and the owner has it made exact (scanLengthFrames on a
// thread of its own). Opening throws AppError; reading and seeking never throw. Not
// thread-safe: the engine opens a song on the window's thread and then hands it to the song's
// decoding thread, which alone reads and seeks it.
class Mp3Decoder {
public:
    static constexpr int Channels = 2;
    static constexpr int BytesPerFrame = Channels * 2;

    // Opens the file (raw path bytes). Throws AppError: 53 missing, 76 a missing folder on the
    // way, 75 unreadable or not a file, 5 not MP3 audio (said in words a listener understands,
    // with the path). `read` is how the file's bytes are read (::pread when empty).
    explicit Mp3Decoder(const std::filesystem::path &path, FileReadFunction read = {});
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder &) = delete;
    Mp3Decoder &operator=(const Mp3Decoder &) = delete;

    long sampleRate() const { return m_sampleRate; }
    // Length in sample frames (per channel), gapless: exact where lengthIsExact(), else the
    // estimate from the file's size and its first frames.
    int64_t lengthFrames() const { return m_lengthFrames; }
    bool lengthIsExact() const { return m_lengthExact; }
    // The file, for a scan of its length beside the decoding.
    const std::shared_ptr<SongFile> &file() const { return m_file; }

    struct ReadResult {
        size_t bytes = 0; // whole frames written to the buffer
        bool ended = false; // the stream has no more audio (its end, or damage it cannot pass)
        int error = 0; // with ended: the errno of a read that failed, 0 for an end
    };
    // Fills up to `capacity` bytes. Allocates nothing and takes no lock.
    ReadResult read(unsigned char *buffer, size_t capacity);
    // Moves to this frame (clamped to at least 0); returns the frame the next read starts at.
    int64_t seek(int64_t frame);

private:
    // Within this many frames of the start a seek reopens the stream (see seek()).
    static constexpr int64_t NearStartFrames = 16 * 1152;

    std::shared_ptr<SongFile> m_file;
    std::unique_ptr<BufferedFileReader> m_reader;
    mpg123_handle_struct *m_handle = nullptr;
    long m_sampleRate = 0;
    int64_t m_lengthFrames = 0;
    bool m_lengthExact = false;
};

// The exact length in frames of the song the decoder opened, by a walk over every frame header
// of the file on a reader of its own (libmpg123's scan; what the decoding will deliver,
// gapless). Blocking, for a thread of the engine's; `stop` set from another thread gives it up
// at the next read. Returns -1 when given up or when the file cannot be walked.
int64_t scanLengthFrames(const Mp3Decoder &decoder, const std::atomic<bool> &stop);

#endif
