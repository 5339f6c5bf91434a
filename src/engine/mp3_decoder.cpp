#include "engine/mp3_decoder.h"

#include "app/app_error.h"
#include "engine/buffered_file_reader.h"
#include "engine/mpeg_length_header.h"
#include "engine/song_file.h"

#include <mpg123.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

QString displayName(const std::filesystem::path &path)
{
    // Only for the message: the path itself stays bytes.
    return QString::fromLocal8Bit(path.native().c_str());
}

[[noreturn]] void raiseOpenError(int errnoValue, const std::filesystem::path &path)
{
    switch (errnoValue) {
    case ENOENT:
        raiseError(ErrNo::FileNotFound, displayName(path));
    case ENOTDIR:
        raiseError(ErrNo::PathNotFound, displayName(path));
    case EACCES:
    case EPERM:
    case EISDIR:
        raiseError(ErrNo::PathFileAccess, displayName(path));
    default:
        raiseFromErrno(errnoValue, displayName(path));
    }
}

[[noreturn]] void raiseNotMp3(const QString &why, const std::filesystem::path &path)
{
    throw AppError(ErrNo::InvalidArgument,
        QStringLiteral("MP3 として再生できないファイルです。(%1: %2)").arg(why, displayName(path)));
}

// libmpg123 found nothing to play: whether it says the stream is over, that it lost sync, or
// has no words for its code, the file holds no MP3 frame it can play (a file of tags only, or
// of something else), and that is what the listener is told.
[[noreturn]] void raiseNoAudio(mpg123_handle *handle, int code, const std::filesystem::path &path)
{
    const int detailed = code == MPG123_ERR && handle != nullptr ? mpg123_errcode(handle) : code;
    if (detailed == MPG123_OUT_OF_MEM)
        raiseError(ErrNo::OutOfMemory, displayName(path));
    raiseNotMp3(QStringLiteral("音声のフレームが見つかりません"), path);
}

void configure(mpg123_handle *handle)
{
    // Tags are TagLib's business: skipping ID3v2 here also keeps the decoder from allocating
    // when a tag turns up in the middle of the stream.
    mpg123_param(handle, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET | MPG123_SKIP_ID3V2, 0.0);
    // Layer III frames borrow bits from the ones before: decoding eight of them ahead of a seek
    // target makes the first sample after a seek exact.
    mpg123_param(handle, MPG123_PREFRAMES, 8, 0.0);
    // Always stereo, so songs follow each other on one device.
    mpg123_format_none(handle);
    const long *rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i)
        mpg123_format(handle, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
}

// Keeps every part of the stream at the rate it starts with: a part at another rate further on
// (songs joined into one file) is converted to it instead of playing at the wrong pitch. The
// conversion is not used where the rates agree, so such a stream decodes bit for bit as without.
void keepRate(mpg123_handle *handle, long rate)
{
    mpg123_param(handle, MPG123_FORCE_RATE, rate, 0.0);
}

std::vector<unsigned char> readAt(const SongFile &file, off_t offset, size_t bytes)
{
    std::vector<unsigned char> data(bytes);
    ssize_t got = 0;
    do {
        got = file.read(file.fd, data.data(), bytes, offset);
    } while (got < 0 && errno == EINTR);
    data.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return data;
}

struct LengthFromFile {
    int64_t frames = 0;
    bool exact = false;
};

// The length as far as the file's head and tail tell it, with libmpg123's own (from a Xing or
// Info header, else from the size and the bitrate) where that is what the head says.
LengthFromFile lengthFromHeaders(const SongFile &file, int64_t fileSize, off_t libraryLength)
{
    // The ID3v2 tag may hold pictures of hundreds of KiB: its size comes first, then the head
    // of the audio behind it.
    const std::vector<unsigned char> start = readAt(file, 0, 10);
    const auto tagBytes = static_cast<off_t>(id3v2TagBytes(start.data(), start.size()));
    const std::vector<unsigned char> head = readAt(file, tagBytes, 8192);
    MpegLengthHeader header = readMpegLengthHeader(head.data(), head.size());
    header.audioStart += tagBytes;
    const off_t tailBytes = std::min<off_t>(fileSize, 288);
    const std::vector<unsigned char> tail = readAt(file, fileSize - tailBytes, tailBytes);
    const int64_t audioBytes
        = fileSize - header.audioStart - trailingTagBytes(tail.data(), tail.size());

    using Kind = MpegLengthHeader::Kind;
    if ((header.kind == Kind::Xing || header.kind == Kind::Info)
        && header.statesLengthOf(audioBytes))
        return {libraryLength, true};
    if (header.kind == Kind::Vbri && header.statesLengthOf(audioBytes)) {
        // libmpg123 does not know VBRI and decodes its frame as one of silence.
        return {(static_cast<int64_t>(*header.frames) + 1) * header.samplesPerFrame, false};
    }
    if (header.kind != Kind::None && header.bytes && *header.bytes > 0 && audioBytes > 0) {
        // A header that promises more than the file holds (a download cut short): as much of
        // the promised length as the bytes there are.
        return {static_cast<int64_t>(static_cast<double>(libraryLength)
                    * static_cast<double>(audioBytes) / *header.bytes),
            false};
    }
    return {libraryLength, false};
}

} // namespace

SongFile::~SongFile()
{
    ::close(fd);
}

Mp3Decoder::Mp3Decoder(const std::filesystem::path &path, FileReadFunction read)
{
    // The file is opened here rather than by libmpg123 so that the system's reason for a
    // failure (missing, forbidden, a folder) reaches the user.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        raiseOpenError(errno, path);
    m_file
        = std::make_shared<SongFile>(fd, path, read ? std::move(read) : FileReadFunction(::pread));
    struct stat status = {};
    if (::fstat(fd, &status) != 0)
        raiseOpenError(errno, path);
    if (!S_ISREG(status.st_mode))
        raiseOpenError(EISDIR, path);
    if (status.st_size == 0)
        raiseNotMp3(QStringLiteral("ファイルが空です"), path);
    // Reading ahead in the background keeps the decoding thread's reads in the page cache.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    int code = MPG123_OK;
    m_handle = mpg123_new(nullptr, &code);
    if (m_handle == nullptr)
        raiseError(ErrNo::OutOfMemory, QString::fromUtf8(mpg123_plain_strerror(code)));
    try {
        configure(m_handle);
        m_reader = std::make_unique<BufferedFileReader>(fd, m_file->read);
        mpg123_replace_reader_handle(
            m_handle, &BufferedFileReader::read, &BufferedFileReader::seek, nullptr);
        code = mpg123_open_handle(m_handle, m_reader.get());
        if (code == MPG123_OK) {
            int channels = 0;
            int encoding = 0;
            code = mpg123_getformat(m_handle, &m_sampleRate, &channels, &encoding);
        }
        // A file the system could not read is no file without audio.
        if (code != MPG123_OK && m_reader->lastError() != 0)
            raiseFromErrno(m_reader->lastError(), displayName(path));
        if (code != MPG123_OK)
            raiseNoAudio(m_handle, code, path);
        keepRate(m_handle, m_sampleRate);
        const off_t length = mpg123_length(m_handle);
        if (length <= 0)
            raiseNoAudio(m_handle, length < 0 ? static_cast<int>(length) : MPG123_DONE, path);
        const LengthFromFile known = lengthFromHeaders(*m_file, status.st_size, length);
        m_lengthFrames = known.frames > 0 ? known.frames : length;
        m_lengthExact = known.exact;
    } catch (...) {
        mpg123_delete(m_handle);
        throw;
    }
}

Mp3Decoder::~Mp3Decoder()
{
    mpg123_close(m_handle);
    mpg123_delete(m_handle);
}

Mp3Decoder::ReadResult Mp3Decoder::read(unsigned char *buffer, size_t capacity)
{
    ReadResult result;
    while (result.bytes < capacity) {
        size_t got = 0;
        const int code
            = mpg123_read(m_handle, buffer + result.bytes, capacity - result.bytes, &got);
        result.bytes += got;
        if (code == MPG123_OK || code == MPG123_NEW_FORMAT)
            continue;
        // MPG123_DONE, or damage past what the decoder resynchronises over: either way the
        // song is over. But a read the system refused (a failing stick, a share gone) is no
        // end: the owner reports it.
        result.ended = true;
        result.error = m_reader->lastError();
        break;
    }
    return result;
}

int64_t Mp3Decoder::seek(int64_t frame)
{
    if (frame < 0)
        frame = 0;
    // Near the start there are no frames before the target to decode ahead, and libmpg123
    // keeps the synthesis and bit-reservoir state of wherever it was: a replay would differ
    // from the first play for a few frames. Opening the stream afresh starts from a clean
    // state, and costs no more than reading the first frames again.
    if (frame < NearStartFrames) {
        mpg123_close(m_handle);
        if (BufferedFileReader::seek(m_reader.get(), 0, SEEK_SET) == 0
            && mpg123_open_handle(m_handle, m_reader.get()) == MPG123_OK) {
            keepRate(m_handle, m_sampleRate);
            if (frame == 0)
                return 0;
        }
    }
    const off_t landed = mpg123_seek(m_handle, static_cast<off_t>(frame), SEEK_SET);
    return landed < 0 ? frame : static_cast<int64_t>(landed);
}

int64_t scanLengthFrames(const Mp3Decoder &decoder, const std::atomic<bool> &stop)
{
    const std::shared_ptr<SongFile> file = decoder.file();
    int code = MPG123_OK;
    mpg123_handle *handle = mpg123_new(nullptr, &code);
    if (handle == nullptr)
        return -1;
    configure(handle);
    keepRate(handle, decoder.sampleRate());
    BufferedFileReader reader(file->fd, [&](int fd, void *buffer, size_t bytes, off_t offset) {
        if (stop.load(std::memory_order_relaxed)) {
            errno = ECANCELED;
            return ssize_t(-1);
        }
        return file->read(fd, buffer, bytes, offset);
    });
    mpg123_replace_reader_handle(
        handle, &BufferedFileReader::read, &BufferedFileReader::seek, nullptr);
    int64_t length = -1;
    if (mpg123_open_handle(handle, &reader) == MPG123_OK && mpg123_scan(handle) == MPG123_OK
        && reader.lastError() == 0 && !stop.load(std::memory_order_relaxed))
        length = mpg123_length(handle);
    mpg123_close(handle);
    mpg123_delete(handle);
    return length;
}
