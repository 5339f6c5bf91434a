#include "engine/audio_output.h"

#include "app/app_error.h"

#include <SDL.h>

namespace {

void renderTrampoline(void *userData, Uint8 *stream, int length)
{
    static_cast<AudioSource *>(userData)->render(stream, length);
}

QString sdlReason()
{
    return QStringLiteral("SDL: ") + QString::fromUtf8(SDL_GetError());
}

} // namespace

AudioOutput::AudioOutput(AudioSource &source) : m_source(source) {}

AudioOutput::~AudioOutput()
{
    close();
}

void AudioOutput::closeDeviceLocked()
{
    if (m_device != 0) {
        SDL_CloseAudioDevice(m_device);
        m_device = 0;
        m_sampleRate = 0;
    }
}

void AudioOutput::close()
{
    std::lock_guard lock(m_mutex);
    closeDeviceLocked();
    if (m_subsystemUp) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystemUp = false;
    }
}

bool AudioOutput::closeIfIdle(const std::function<bool()> &stillIdle)
{
    std::lock_guard lock(m_mutex);
    if (m_device == 0 || !stillIdle())
        return false;
    closeDeviceLocked();
    return true;
}

bool AudioOutput::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_device != 0;
}

long AudioOutput::sampleRate() const
{
    std::lock_guard lock(m_mutex);
    return m_sampleRate;
}

bool AudioOutput::deviceLost() const
{
    std::lock_guard lock(m_mutex);
    return m_device != 0 && SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED;
}

void AudioOutput::start(long sampleRate, const std::function<void()> &started)
{
    std::lock_guard lock(m_mutex);
    // SDL's audio starts afresh after a loss, so that a sound server that came back is found.
    if (m_device != 0 && SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED) {
        closeDeviceLocked();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_subsystemUp = false;
    }
    if (m_device != 0 && m_sampleRate != sampleRate)
        closeDeviceLocked();
    if (m_device == 0) {
        if (!m_subsystemUp) {
            // The program handles its own signals (ending by the system saves the settings).
            SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
            SDL_SetHint(SDL_HINT_APP_NAME, "Brenlowick");
            // Whatever SDL's reason (no driver, no card, no server), the user is told there is
            // no usable audio hardware; SDL's own words go along for whoever reads the details.
            if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
                raiseError(ErrNo::E_FAIL_CODE, sdlReason());
            m_subsystemUp = true;
        }
        SDL_AudioSpec wanted = {};
        wanted.freq = static_cast<int>(sampleRate);
        wanted.format = AUDIO_S16SYS;
        wanted.channels = 2;
        wanted.samples = static_cast<Uint16>(BufferFrames);
        wanted.callback = renderTrampoline;
        wanted.userdata = static_cast<AudioSource *>(&m_source);
        SDL_AudioSpec obtained = {};
        // No changes allowed: SDL converts if the hardware differs, so the source always
        // renders exactly the format it decodes.
        const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
        if (device == 0) {
            // Leave SDL down, so that the next attempt starts afresh (a sound server may have
            // come up since).
            const QString reason = sdlReason();
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            m_subsystemUp = false;
            raiseError(ErrNo::E_FAIL_CODE, reason);
        }
        m_device = device;
        m_sampleRate = sampleRate;
        SDL_PauseAudioDevice(m_device, 0);
    }
    if (started)
        started();
}
