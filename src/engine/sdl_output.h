#ifndef BRENLOWICK_SDL_OUTPUT_H
#define BRENLOWICK_SDL_OUTPUT_H

#include "engine/audio_output.h"

#include <chrono>
#include <cstdint>

// The sound device through SDL's audio subsystem (ALSA on a machine without a sound server,
// and the disk and dummy drivers the tests use): interleaved signed 16-bit stereo, a callback
// on SDL's own thread that only copies (PlaybackStream::fillDeviceBuffer). Nothing of SDL is
// touched before the first Play. An open device calls back once a buffer even for silence, so
// it is closed once playback has been halted for `idleGrace`. What it was handed it cannot
// take back: a pause is heard within about two buffers.
class SdlOutput final : public AudioOutput {
public:
    // Frames per device buffer: about 93 ms at 44.1 kHz. Every buffer costs the audio thread a
    // wake-up; the position between buffers is interpolated, so it does not depend on this.
    static constexpr int BufferFrames = 4096;

    explicit SdlOutput(std::chrono::milliseconds idleGrace)
        : m_idleGrace(idleGrace)
    {
    }

    bool run(PlaybackStream &stream, const std::atomic<bool> &stopping) override;
    const char *name() const override { return "sdl"; }

    // SDL's audio thread.
    void render(unsigned char *buffer, int bytes) noexcept;

private:
    bool open(long rate);
    void close(bool quitSubsystem);
    void waitForTailPlayed(const std::atomic<bool> &stopping);

    const std::chrono::milliseconds m_idleGrace;
    PlaybackStream *m_stream = nullptr;

    // --- The output thread's own.
    bool m_subsystemUp = false;
    uint32_t m_device = 0;

    // --- Written by the output thread while SDL's audio thread is stopped, read by it.
    long m_deviceRate = 0;

    // --- SDL's audio thread's, read by the output thread.
    std::atomic<bool> m_lost = false;
    std::atomic<int> m_silentBuffers = 0; // in a row, since the last one with sound
};

#endif
