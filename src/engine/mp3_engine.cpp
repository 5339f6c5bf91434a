#include "engine/mp3_engine.h"

#include "app/app_error.h"

#include "engine/audio_output.h"
#include "engine/cross_thread_signal.h"
#include "engine/decoding_thread.h"
#include "engine/mp3_decoder.h"
#include "engine/playback_stream.h"
#include "engine/thread_wakeup.h"

#include <cmath>
#include <thread>

Mp3Engine::Mp3Engine(QObject *parent) : Mp3Engine(parent, Options{}) {}

Mp3Engine::Mp3Engine(QObject *parent, Options options)
    : MediaPlayer(parent), m_options(std::move(options)), m_endSignal(new CrossThreadSignal(this)),
      m_decodeMore(std::make_unique<ThreadWakeup>()),
      m_stream(std::make_unique<PlaybackStream>(*m_endSignal, *m_decodeMore)),
      m_output(std::make_unique<AudioOutput>(*m_stream)),
      m_decoding(std::make_unique<DecodingThread>(*m_stream, *m_output, *m_decodeMore,
                                                  m_options.idleDeviceGrace))
{
    connect(m_endSignal, &CrossThreadSignal::posted, this, &Mp3Engine::onEndSignalled);
}

Mp3Engine::~Mp3Engine()
{
    waitForEndedTail();
    m_decoding.reset();
    m_output.reset();
}

void Mp3Engine::waitForEndedTail()
{
    // The end of a song is announced while its last buffers are still queued; quitting right
    // after it should not cut them off. A device that stops taking buffers is not waited for.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (m_stream->endedTailBytes() > 0 && m_output->isOpen()
           && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void Mp3Engine::setFileName(const std::filesystem::path &path)
{
    m_deviceFailed = false;
    std::shared_ptr<Mp3Decoder> opened;
    try {
        opened = std::make_shared<Mp3Decoder>(path, m_options.read);
    } catch (...) {
        // The earlier clip is given up even so: the user asked for another song.
        releaseClip();
        throw;
    }
    m_stream->setDecoder(opened);
    m_decoder = std::move(opened);
    m_path = path;
    m_tags.reset();
}

void Mp3Engine::releaseClip()
{
    m_stream->setDecoder(nullptr);
    m_decoder.reset();
    m_path.clear();
    m_tags.reset();
}

void Mp3Engine::Play()
{
    m_deviceFailed = false;
    if (!m_decoder)
        return;
    const long rate = m_decoder->sampleRate();
    // The device is reopened at the new rate; the last song's tail would play at it.
    if (m_output->isOpen() && m_output->sampleRate() != rate)
        m_stream->dropEndedTail();
    // Playing is set while the device is known open, so that the decoding thread, which closes
    // an idle device, cannot close it in between.
    m_output->start(rate, [this] {
        if (m_stream->ended())
            m_stream->seek(0);
        m_stream->setPlaying(true);
    });
}

void Mp3Engine::Pause()
{
    m_deviceFailed = false;
    m_stream->setPlaying(false);
}

void Mp3Engine::Stop()
{
    m_deviceFailed = false;
    m_stream->setPlaying(false);
    m_stream->seek(0);
}

double Mp3Engine::CurrentPosition() const
{
    if (!m_decoder)
        return 0.0;
    if (m_deviceFailed)
        raiseError(ErrNo::E_FAIL_CODE, QStringLiteral("SDL: the audio device was removed"));
    // The window asks for the position several times a second while a song plays, so this is
    // where a device that went away is noticed: the song halts where its sound stopped and the
    // failure is reported, instead of running on silently into nothing.
    if (m_stream->playing() && m_output->deviceLost())
        haltOnLostDevice();
    return static_cast<double>(m_stream->currentFrame())
           / static_cast<double>(m_decoder->sampleRate());
}

int64_t Mp3Engine::framesHandedToDevice() const
{
    return m_stream->framesHanded();
}

bool Mp3Engine::deviceOpen() const
{
    return m_output->isOpen();
}

void Mp3Engine::setCurrentPosition(double seconds)
{
    m_deviceFailed = false;
    if (!m_decoder)
        return;
    if (!std::isfinite(seconds) || seconds < 0.0)
        seconds = std::isinf(seconds) && seconds > 0.0 ? Duration() : 0.0;
    const double frame = std::min(seconds * static_cast<double>(m_decoder->sampleRate()),
                                  static_cast<double>(m_decoder->lengthFrames()));
    m_stream->seek(std::llround(frame));
}

double Mp3Engine::Duration() const
{
    if (!m_decoder)
        return 0.0;
    return static_cast<double>(m_decoder->lengthFrames())
           / static_cast<double>(m_decoder->sampleRate());
}

QString Mp3Engine::GetMediaInfoString(int32_t infoType) const
{
    if (!m_decoder || (infoType != MediaInfo::Title && infoType != MediaInfo::Author))
        return {};
    // Read after Play rather than in setFileName: the first sound does not wait for it.
    if (!m_tags)
        m_tags = readSongTags(m_path);
    return infoType == MediaInfo::Title ? m_tags->title : m_tags->author;
}

void Mp3Engine::haltOnLostDevice() const
{
    m_output->close();
    m_stream->setPlaying(false);
    m_stream->dropEndedTail();
    m_deviceFailed = true;
    raiseError(ErrNo::E_FAIL_CODE, QStringLiteral("SDL: the audio device was removed"));
}

void Mp3Engine::onEndSignalled()
{
    // Ended means halted: a seek now moves the position without starting the sound.
    if (m_stream->takeEnd())
        Q_EMIT EndOfStream(0);
}
