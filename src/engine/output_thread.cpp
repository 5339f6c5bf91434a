#include "engine/output_thread.h"

#include "engine/playback_stream.h"
#include "engine/pulse_output.h"
#include "engine/sdl_output.h"

#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <thread>

struct OutputThread::Shared {
    Shared(std::shared_ptr<PlaybackStream> stream, std::chrono::milliseconds idleGrace)
        : stream(std::move(stream))
        , sdl(idleGrace)
        , pulse(idleGrace)
    {
    }

    void run(Choice choice);

    const std::shared_ptr<PlaybackStream> stream;
    std::atomic<bool> stopping = false;
    std::atomic<AudioOutput *> active = nullptr;
    SdlOutput sdl;
    PulseOutput pulse;
    std::unique_ptr<AudioOutput> given;
    ThreadWakeup ended;
};

namespace {

// SDL's driver named in the environment (the tests' disk and dummy drivers, or a user's choice
// of ALSA) is asked for by name: SDL's output then.
bool sdlAskedFor()
{
    const char *driver = std::getenv("SDL_AUDIODRIVER");
    return driver != nullptr && *driver != '\0';
}

} // namespace

void OutputThread::Shared::run(Choice choice)
{
    pthread_setname_np(pthread_self(), "audio output");
    // Nothing is touched before something is to play: a program that never plays stays lean.
    while (!stopping.load() && !stream->plan().sound)
        stream->outputWakeup().wait();
    if (!stopping.load() && given) {
        active.store(given.get());
        given->run(*stream, stopping);
    } else if (!stopping.load()) {
        const bool trySdl = choice == Choice::Sdl || (choice == Choice::Automatic && sdlAskedFor());
        bool served = false;
        if (!trySdl) {
            active.store(&pulse);
            served = pulse.run(*stream, stopping);
            while (!served && choice == Choice::SoundServer && !stopping.load()) {
                pulse.reportNoServer(*stream);
                while (!stopping.load() && !stream->plan().sound)
                    stream->outputWakeup().wait();
                served = pulse.run(*stream, stopping);
            }
        }
        if (!served && !stopping.load()) {
            active.store(&sdl);
            sdl.run(*stream, stopping);
        }
    }
    ended.post();
}

OutputThread::OutputThread(std::shared_ptr<PlaybackStream> stream, Choice choice,
    std::chrono::milliseconds idleGrace, std::unique_ptr<AudioOutput> given)
    : m_shared(std::make_shared<Shared>(std::move(stream), idleGrace))
{
    m_shared->given = std::move(given);
    std::thread([shared = m_shared, choice] { shared->run(choice); }).detach();
}

OutputThread::~OutputThread()
{
    m_shared->stopping.store(true);
    m_shared->stream->outputWakeup().post();
    m_shared->ended.wait(std::chrono::seconds(1));
}

bool OutputThread::deviceOpen() const
{
    const AudioOutput *output = m_shared->active.load();
    return output != nullptr && output->deviceOpen();
}

QString OutputThread::name() const
{
    const AudioOutput *output = m_shared->active.load();
    return output != nullptr ? QString::fromLatin1(output->name()) : QString();
}
