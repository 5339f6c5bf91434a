#include "engine/sdl_output.h"

#include "app/app_error.h"
#include "engine/mp3_decoder.h"
#include "engine/playback_stream.h"

#include <SDL.h>

#include <cstring>

namespace {

void renderTrampoline(void *userData, Uint8 *stream, int length)
{
    static_cast<SdlOutput *>(userData)->render(stream, length);
}

void reportFailure(PlaybackStream &stream, const QString &reason)
{
    // Whatever SDL's reason (no driver, no card, no server), the user is told there is no
    // usable audio hardware; SDL's own words go along for whoever reads the details.
    try {
        raiseError(ErrNo::E_FAIL_CODE, QStringLiteral("SDL: ") + reason);
    } catch (const AppError &error) {
        stream.outputFailed(error);
    }
}

} // namespace

void SdlOutput::render(unsigned char *buffer, int bytes) noexcept
{
    const int64_t frames = bytes / Mp3Decoder::BytesPerFrame;
    // A device that went away (unplugged, its server ended, its output failing) is still
    // called back by SDL as if it played, into nothing.
    if (SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED) {
        std::memset(buffer, 0, static_cast<size_t>(bytes));
        if (!m_lost.exchange(true))
            m_stream->outputWakeup().post();
        return;
    }
    const int64_t before = m_stream->handedEnd();
    m_stream->fillDeviceBuffer(buffer, frames, m_deviceRate);
    if (m_stream->handedEnd() != before) {
        m_silentBuffers.store(0);
    } else if (m_silentBuffers.fetch_add(1) + 1 == 2) {
        // What was handed last has left the device: the output thread may close it (a song at
        // another rate, or nothing more to play).
        m_stream->outputWakeup().post();
    }
}

bool SdlOutput::open(long rate)
{
    if (!m_subsystemUp) {
        // The program handles its own signals (ending by the system saves the settings).
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        SDL_SetHint(SDL_HINT_APP_NAME, "Brenlowick");
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            reportFailure(*m_stream, QString::fromUtf8(SDL_GetError()));
            return false;
        }
        m_subsystemUp = true;
    }
    SDL_AudioSpec wanted = {};
    wanted.freq = static_cast<int>(rate);
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = static_cast<Uint16>(BufferFrames);
    wanted.callback = renderTrampoline;
    wanted.userdata = this;
    SDL_AudioSpec obtained = {};
    m_deviceRate = rate;
    m_lost.store(false);
    m_silentBuffers.store(0);
    // No changes allowed: SDL converts if the hardware differs, so the stream always renders
    // exactly the format it decodes.
    m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (m_device == 0) {
        const QString reason = QString::fromUtf8(SDL_GetError());
        // SDL's audio goes down, so that the next attempt starts afresh (a sound server may
        // have come up since).
        close(true);
        reportFailure(*m_stream, reason);
        return false;
    }
    m_deviceOpen.store(true);
    SDL_PauseAudioDevice(m_device, 0);
    return true;
}

void SdlOutput::close(bool quitSubsystem)
{
    // Waits for SDL's audio thread to end (a buffer or two), so it happens here on the
    // output's thread, and never under the stream's lock, which that thread takes.
    if (m_device != 0) {
        SDL_CloseAudioDevice(m_device);
        m_device = 0;
        m_deviceRate = 0;
        m_deviceOpen.store(false);
    }
    if (quitSubsystem && m_subsystemUp) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystemUp = false;
    }
}

void SdlOutput::waitForTailPlayed(const std::atomic<bool> &stopping)
{
    // The device is reopened at another rate: the last song's tail would play at the new one,
    // or be cut off, if the device went before it had played.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (m_silentBuffers.load() < 2 && !m_lost.load() && !stopping.load()
        && std::chrono::steady_clock::now() < deadline)
        m_stream->outputWakeup().wait(std::chrono::milliseconds(100));
}

bool SdlOutput::run(PlaybackStream &stream, const std::atomic<bool> &stopping)
{
    m_stream = &stream;
    stream.setOutputCanTakeBack(false);
    // When playback became halted with the device open; the epoch while it is not.
    std::chrono::steady_clock::time_point idleSince {};
    while (!stopping.load()) {
        if (m_lost.exchange(false)) {
            // SDL's audio starts afresh after a loss, so that a server that came back is found.
            close(true);
            reportFailure(stream, QStringLiteral("the audio device was removed"));
            continue;
        }
        const PlaybackStream::Plan plan = stream.plan();
        if (plan.sound) {
            idleSince = {};
            if (m_device != 0 && m_deviceRate != plan.rate) {
                waitForTailPlayed(stopping);
                // The wait may have taken the wake-up that tells this thread to stop.
                if (stopping.load())
                    break;
                close(false);
            }
            if (m_device == 0 && !open(plan.rate))
                continue;
            stream.outputWakeup().wait();
            continue;
        }
        if (m_device == 0 || !plan.idle) {
            stream.outputWakeup().wait();
            continue;
        }
        // Halted with nothing left to play: the device goes once that has lasted a while.
        if (idleSince == std::chrono::steady_clock::time_point {})
            idleSince = std::chrono::steady_clock::now();
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            idleSince + m_idleGrace - std::chrono::steady_clock::now());
        if (left.count() > 0)
            stream.outputWakeup().wait(left);
        else if (m_silentBuffers.load() >= 2)
            close(false);
        else
            stream.outputWakeup().wait(std::chrono::milliseconds(100));
    }
    close(true);
    return true;
}
