#ifndef BRENLOWICK_AUDIO_OUTPUT_H
#define BRENLOWICK_AUDIO_OUTPUT_H

#include <cstdint>
#include <functional>
#include <mutex>

// What the audio thread asks for: fill the whole buffer, promptly. It must not read files,
// decode or allocate; it may take a lock that is only ever held briefly, and wait, up to a
// buffer's time, for a thread that decodes.
class AudioSource
{
public:
    virtual void render(unsigned char *buffer, int bytes) noexcept = 0;

protected:
    ~AudioSource() = default;
};

// The sound device, through SDL's audio subsystem only: interleaved signed 16-bit stereo.
// Nothing of SDL is touched before the first start(), so a program that never plays stays
// lean. While open, the device calls the source once a buffer, even for silence, so the
// owner closes it when it has been idle for a while and the next start() opens it again.
// Every member may be called from any thread: the device itself is opened, queried and closed
// under a lock of its own.
class AudioOutput
{
public:
    // Frames per device buffer: about 93 ms at 44.1 kHz. Every buffer costs the audio thread
    // a wake-up, which on some machines costs more than decoding the buffer; a pause is heard
    // within about two buffers. The position between buffers is interpolated
    // (PlaybackStream), so it does not depend on this size.
    static constexpr int BufferFrames = 4096;

    explicit AudioOutput(AudioSource &source);
    // Closes the device; SDL's audio thread has ended and calls nothing when this returns.
    ~AudioOutput();
    AudioOutput(const AudioOutput &) = delete;
    AudioOutput &operator=(const AudioOutput &) = delete;

    // Opens the device at this rate (reopening it if it runs at another), lets the source
    // render, and then runs `started`, before an idle close (closeIfIdle) can look again.
    // Throws AppError E_FAIL_CODE when there is no usable device, whatever the cause.
    void start(long sampleRate, const std::function<void()> &started = {});
    bool isOpen() const;
    // The rate the device is open at; 0 when it is closed.
    long sampleRate() const;
    // Whether the open device has gone away (unplugged, its sound server ended, its output
    // failing). SDL then goes on calling the source as if it played, into nothing.
    bool deviceLost() const;
    // Closes the device and SDL's audio; the next start() opens them afresh.
    void close();
    // Closes the device, keeping SDL's audio up for the next start(), if `stillIdle` holds
    // once no start() can run. Waits for SDL's audio thread to end (a few buffers' time), so
    // it is for a worker thread, never the window's. Returns whether it closed.
    bool closeIfIdle(const std::function<bool()> &stillIdle);

private:
    void closeDeviceLocked();

    AudioSource &m_source;
    mutable std::mutex m_mutex;
    bool m_subsystemUp = false;
    uint32_t m_device = 0;
    long m_sampleRate = 0;
};

#endif
