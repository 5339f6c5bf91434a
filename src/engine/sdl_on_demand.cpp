// The SDL functions the audio output calls, loaded from libSDL2 when the first of them is
// called rather than when the program starts. SDL pulls some thirty libraries with it (sound
// servers, codecs, Wayland); loading and relocating them took a third of the start-up time,
// for a device the program only needs once something plays.

#include <SDL.h>

#include <dlfcn.h>

#include <mutex>
#include <string>

namespace {

struct SdlFunctions {
    decltype(&::SDL_SetHint) setHint = nullptr;
    decltype(&::SDL_InitSubSystem) initSubSystem = nullptr;
    decltype(&::SDL_QuitSubSystem) quitSubSystem = nullptr;
    decltype(&::SDL_GetError) getError = nullptr;
    decltype(&::SDL_OpenAudioDevice) openAudioDevice = nullptr;
    decltype(&::SDL_CloseAudioDevice) closeAudioDevice = nullptr;
    decltype(&::SDL_PauseAudioDevice) pauseAudioDevice = nullptr;
    decltype(&::SDL_GetAudioDeviceStatus) getAudioDeviceStatus = nullptr;
    bool complete = false;
    std::string failure;
};

template<typename Function> bool resolve(void *library, const char *name, Function &function)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

const SdlFunctions &sdl()
{
    static SdlFunctions functions;
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        void *library = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char *reason = dlerror();
            functions.failure = std::string("SDL2 could not be loaded: ") + (reason ? reason : "");
            return;
        }
        functions.complete = resolve(library, "SDL_SetHint", functions.setHint)
            && resolve(library, "SDL_InitSubSystem", functions.initSubSystem)
            && resolve(library, "SDL_QuitSubSystem", functions.quitSubSystem)
            && resolve(library, "SDL_GetError", functions.getError)
            && resolve(library, "SDL_OpenAudioDevice", functions.openAudioDevice)
            && resolve(library, "SDL_CloseAudioDevice", functions.closeAudioDevice)
            && resolve(library, "SDL_PauseAudioDevice", functions.pauseAudioDevice)
            && resolve(library, "SDL_GetAudioDeviceStatus", functions.getAudioDeviceStatus);
        if (!functions.complete)
            functions.failure = "SDL2 lacks an audio function this program needs";
    });
    return functions;
}

} // namespace

extern "C" {

SDL_bool SDL_SetHint(const char *name, const char *value)
{
    return sdl().complete ? sdl().setHint(name, value) : SDL_FALSE;
}

int SDL_InitSubSystem(Uint32 flags)
{
    // Without the library there is no device: the caller reports it as missing audio hardware.
    return sdl().complete ? sdl().initSubSystem(flags) : -1;
}

void SDL_QuitSubSystem(Uint32 flags)
{
    if (sdl().complete)
        sdl().quitSubSystem(flags);
}

const char *SDL_GetError(void)
{
    return sdl().complete ? sdl().getError() : sdl().failure.c_str();
}

SDL_AudioDeviceID SDL_OpenAudioDevice(const char *device, int iscapture,
    const SDL_AudioSpec *desired, SDL_AudioSpec *obtained, int allowed_changes)
{
    return sdl().complete
        ? sdl().openAudioDevice(device, iscapture, desired, obtained, allowed_changes)
        : 0;
}

void SDL_CloseAudioDevice(SDL_AudioDeviceID dev)
{
    if (sdl().complete)
        sdl().closeAudioDevice(dev);
}

void SDL_PauseAudioDevice(SDL_AudioDeviceID dev, int pause_on)
{
    if (sdl().complete)
        sdl().pauseAudioDevice(dev, pause_on);
}

SDL_AudioStatus SDL_GetAudioDeviceStatus(SDL_AudioDeviceID dev)
{
    return sdl().complete ? sdl().getAudioDeviceStatus(dev) : SDL_AUDIO_STOPPED;
}

} // extern "C"
