#include "engine/mp3_engine.h"

#include "engine/cross_thread_signal.h"
#include "engine/mp3_decoder.h"
#include "engine/output_thread.h"
#include "engine/playback_stream.h"

#include <algorithm>
#include <cmath>
#include <thread>

namespace {

OutputThread::Choice outputChoice(Mp3Engine::OutputChoice choice)
{
    switch (choice) {
    case Mp3Engine::OutputChoice::SoundServer:
        return OutputThread::Choice::SoundServer;
    case Mp3Engine::OutputChoice::Sdl:
        return OutputThread::Choice::Sdl;
    default:
        return OutputThread::Choice::Automatic;
    }
}

} // namespace

Mp3Engine::Mp3Engine(QObject *parent)
    : Mp3Engine(parent, Options {})
{
}

Mp3Engine::Mp3Engine(QObject *parent, Options options)
    : MediaPlayer(parent)
    , m_options(std::move(options))
    , m_stream(std::make_shared<PlaybackStream>())
    , m_output(std::make_unique<OutputThread>(m_stream, outputChoice(m_options.output),
          m_options.idleDeviceGrace, m_options.makeOutput ? m_options.makeOutput() : nullptr))
    , m_windowSignal(new CrossThreadSignal(m_stream->windowWakeup(), this))
{
    connect(m_windowSignal, &CrossThreadSignal::posted, this, &Mp3Engine::onWindowSignal);
}

Mp3Engine::~Mp3Engine()
{
    // The end of a song is announced while its last samples are still to come; quitting right
    // after it should not cut them off. An output that stops taking them is not waited for.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (m_stream->endedTailFrames() > 0 && m_output->deviceOpen()
        && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    delete m_windowSignal;
    m_output.reset();
    m_stream->stopClipThreads(std::chrono::seconds(1));
}

void Mp3Engine::setFileName(const std::filesystem::path &path)
{
    m_stream->stopLengthScans();
    std::shared_ptr<Mp3Decoder> opened;
    try {
        opened = std::make_shared<Mp3Decoder>(path, m_options.read);
    } catch (...) {
        // The earlier clip is given up even so: the user asked for another song.
        m_stream->clearClip();
        m_hasClip = false;
        throw;
    }
    PlaybackStream::setDecoder(m_stream, std::move(opened));
    m_hasClip = true;
    m_toldDuration = streamDuration();
}

void Mp3Engine::Play()
{
    if (m_hasClip)
        m_stream->play();
}

void Mp3Engine::Pause()
{
    m_stream->pause();
}

void Mp3Engine::Stop()
{
    m_stream->stop();
}

double Mp3Engine::CurrentPosition() const
{
    if (!m_hasClip)
        return 0.0;
    const int64_t frame = m_stream->currentFrame();
    // Past a length estimated too short, until the window hears of the true one.
    return std::min(
        static_cast<double>(frame) / static_cast<double>(m_stream->sampleRate()), m_toldDuration);
}

void Mp3Engine::setCurrentPosition(double seconds)
{
    if (!m_hasClip)
        return;
    if (!std::isfinite(seconds) || seconds < 0.0)
        seconds = std::isinf(seconds) && seconds > 0.0 ? Duration() : 0.0;
    const double frame = std::min(seconds * static_cast<double>(m_stream->sampleRate()),
        static_cast<double>(m_stream->lengthFrames()));
    m_stream->seek(std::llround(frame));
}

double Mp3Engine::Duration() const
{
    return m_hasClip ? m_toldDuration : 0.0;
}

double Mp3Engine::streamDuration() const
{
    return static_cast<double>(m_stream->lengthFrames())
        / static_cast<double>(m_stream->sampleRate());
}

QString Mp3Engine::GetMediaInfoString(int32_t infoType) const
{
    if (!m_hasClip || (infoType != MediaInfo::Title && infoType != MediaInfo::Author))
        return {};
    // Tags come from a thread of the song's: from the page cache they are there long before
    // the window asks; from a disk that stalls, the window goes on without them.
    const std::optional<SongTags> tags = m_stream->tags(std::chrono::milliseconds(50));
    if (!tags)
        return {};
    return infoType == MediaInfo::Title ? tags->title : tags->author;
}

int64_t Mp3Engine::framesHandedToDevice() const
{
    return m_stream->framesHanded();
}

bool Mp3Engine::deviceOpen() const
{
    return m_output->deviceOpen();
}

QString Mp3Engine::outputName() const
{
    return m_output->name();
}

void Mp3Engine::onWindowSignal()
{
    // First the length: a song's end often makes it exact, and the end's handler reads it.
    if (m_stream->takeInfoChanged() && m_hasClip) {
        m_toldDuration = streamDuration();
        Q_EMIT ClipInfoChanged();
    }
    // Ended means halted: a seek now moves the position without starting the sound.
    if (m_stream->takeEnd()) {
        Q_EMIT EndOfStream(0);
        m_stream->endHandled();
    }
}
