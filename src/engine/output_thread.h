#ifndef BRENLOWICK_OUTPUT_THREAD_H
#define BRENLOWICK_OUTPUT_THREAD_H

#include "engine/audio_output.h"

#include <QString>

#include <chrono>
#include <memory>

class PlaybackStream;

// The engine's output thread: it chooses the output at the first Play (a sound server's own,
// where one answers and SDL's driver is not asked for by name; SDL's otherwise) and runs it.
// The window's thread never waits for it, and its end waits for it at most a second: an output
// stuck in a device that does not answer is left to end by itself.
class OutputThread {
public:
    enum class Choice { Automatic, SoundServer, Sdl };

    // `given`, where there is one, serves instead of any chosen output.
    OutputThread(std::shared_ptr<PlaybackStream> stream, Choice choice,
        std::chrono::milliseconds idleGrace, std::unique_ptr<AudioOutput> given = {});
    ~OutputThread();
    OutputThread(const OutputThread &) = delete;
    OutputThread &operator=(const OutputThread &) = delete;

    bool deviceOpen() const;
    // "pulse" or "sdl" once chosen, empty before.
    QString name() const;

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

#endif
