#include "engine/mp3_decoder.h"

#include "app/app_error.h"
#include "engine/buffered_file_reader.h"

#include <mpg123.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString displayName(const std::filesystem::path &path)
{
    // Only for the message: the path itself stays bytes.
    return QString::fromLocal8Bit(path.native().c_str());
}

[[noreturn]] void raiseOpenError(int errnoValue, const std::filesystem::path &path)
{
    switch (errnoValue) {
    case ENOENT: raiseError(ErrNo::FileNotFound, displayName(path));
    case ENOTDIR: raiseError(ErrNo::PathNotFound, displayName(path));
    case EACCES:
    case EPERM:
    case EISDIR: raiseError(ErrNo::PathFileAccess, displayName(path));
    default: raiseFromErrno(errnoValue, displayName(path));
    }
}

[[noreturn]] void raiseNotMp3(const QString &why, const std::filesystem::path &path)
{
    throw AppError(ErrNo::InvalidArgument,
                   QStringLiteral("MP3 として再生できないファイルです。(%1: %2)")
                       .arg(why, displayName(path)));
}

QString libraryText(mpg123_handle *handle, int code)
{
    const char *text = handle != nullptr && code == MPG123_ERR ? mpg123_strerror(handle)
                                                               : mpg123_plain_strerror(code);
    return QStringLiteral("libmpg123: ") + QString::fromUtf8(text);
}

} // namespace

Mp3Decoder::Mp3Decoder(const std::filesystem::path &path, FileReadFunction read)
{
    // The file is opened here rather than by libmpg123 so that the system's reason for a
    // failure (missing, forbidden, a folder) reaches the user.
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        raiseOpenError(errno, path);
    try {
        struct stat status = {};
        if (::fstat(m_fd, &status) != 0)
            raiseOpenError(errno, path);
        if (!S_ISREG(status.st_mode))
            raiseOpenError(EISDIR, path);
        if (status.st_size == 0)
            raiseNotMp3(QStringLiteral("ファイルが空です"), path);
        // Reading ahead in the background keeps the decoding thread's reads in the page cache.
        ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);

        int code = MPG123_OK;
        m_handle = mpg123_new(nullptr, &code);
        if (m_handle == nullptr)
            raiseError(ErrNo::OutOfMemory, libraryText(nullptr, code));
        // Tags are TagLib's business: skipping ID3v2 here also keeps the decoder from
        // allocating when a tag turns up in the middle of the stream.
        mpg123_param(m_handle, MPG123_FLAGS,
                     MPG123_GAPLESS | MPG123_QUIET | MPG123_SKIP_ID3V2, 0.0);
        // Layer III frames borrow bits from the ones before: decoding eight of them ahead of
        // a seek target makes the first sample after a seek exact.
        mpg123_param(m_handle, MPG123_PREFRAMES, 8, 0.0);
        // Always stereo at the file's own rate, so songs follow each other on one device.
        mpg123_format_none(m_handle);
        const long *rates = nullptr;
        size_t rateCount = 0;
        mpg123_rates(&rates, &rateCount);
        for (size_t i = 0; i < rateCount; ++i)
            mpg123_format(m_handle, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);

        m_reader = std::make_unique<BufferedFileReader>(m_fd, std::move(read));
        mpg123_replace_reader_handle(m_handle, &BufferedFileReader::read,
                                     &BufferedFileReader::seek, nullptr);
        code = mpg123_open_handle(m_handle, m_reader.get());
        if (code != MPG123_OK)
            raiseNotMp3(libraryText(m_handle, code), path);
        int channels = 0;
        int encoding = 0;
        code = mpg123_getformat(m_handle, &m_sampleRate, &channels, &encoding);
        if (code != MPG123_OK)
            raiseNotMp3(libraryText(m_handle, code), path);
        // With an Info/Xing header (which carries the encoder delay) the length is exact
        // already; without one it is a guess from the file size, and only a scan of the frame
        // headers gives the truth.
        long encoderDelay = -1;
        double unused = 0.0;
        mpg123_getstate(m_handle, MPG123_ENC_DELAY, &encoderDelay, &unused);
        if (encoderDelay < 0) {
            code = mpg123_scan(m_handle);
            if (code != MPG123_OK)
                raiseNotMp3(libraryText(m_handle, code), path);
        }
        const off_t length = mpg123_length(m_handle);
        if (length <= 0)
            raiseNotMp3(libraryText(m_handle, length < 0 ? static_cast<int>(length)
                                                         : MPG123_DONE),
                        path);
        m_lengthFrames = length;
    } catch (...) {
        if (m_handle != nullptr)
            mpg123_delete(m_handle);
        ::close(m_fd);
        throw;
    }
}

Mp3Decoder::~Mp3Decoder()
{
    mpg123_close(m_handle);
    mpg123_delete(m_handle);
    ::close(m_fd);
}

Mp3Decoder::ReadResult Mp3Decoder::read(unsigned char *buffer, size_t capacity)
{
    ReadResult result;
    while (result.bytes < capacity) {
        size_t got = 0;
        const int code =
            mpg123_read(m_handle, buffer + result.bytes, capacity - result.bytes, &got);
        result.bytes += got;
        if (code == MPG123_OK || code == MPG123_NEW_FORMAT)
            continue;
        // MPG123_DONE, or damage past what the decoder resynchronises over: either way the
        // song is over, and playing on means only silence.
        result.ended = true;
        break;
    }
    return result;
}

int64_t Mp3Decoder::seek(int64_t frame)
{
    if (frame < 0)
        frame = 0;
    if (frame > m_lengthFrames)
        frame = m_lengthFrames;
    // Near the start there are no frames before the target to decode ahead, and libmpg123
    // keeps the synthesis and bit-reservoir state of wherever it was: a replay would differ
    // from the first play for a few frames. Opening the stream afresh starts from a clean
    // state, and costs no more than reading the first frames again.
    if (frame < NearStartFrames) {
        mpg123_close(m_handle);
        if (BufferedFileReader::seek(m_reader.get(), 0, SEEK_SET) == 0
            && mpg123_open_handle(m_handle, m_reader.get()) == MPG123_OK && frame == 0)
            return 0;
    }
    const off_t landed = mpg123_seek(m_handle, static_cast<off_t>(frame), SEEK_SET);
    return landed < 0 ? frame : static_cast<int64_t>(landed);
}
