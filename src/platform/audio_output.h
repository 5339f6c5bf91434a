#ifndef BRENLOWICK_AUDIO_OUTPUT_H
#define BRENLOWICK_AUDIO_OUTPUT_H

#include <cstdint>

// What the audio thread asks for: fill the whole buffer, without allocating or blocking.
class AudioSource
{
public:
    virtual void render(unsigned char *buffer, int bytes) noexcept = 0;

protected:
    ~AudioSource() = default;
};

// The sound device, through SDL's audio subsystem only: interleaved signed 16-bit stereo.
// Nothing of SDL is touched before the first start(), so a program that never plays stays
// lean. Once open the device keeps running (the source renders silence when idle), so one song
// follows another without reopening it. All members are for the UI thread.
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

    // Opens the device at this rate (reopening it if it runs at another) and lets the source
    // render. Throws AppError E_FAIL_CODE when there is no usable device, whatever the cause.
    void start(long sampleRate);
    bool isOpen() const { return m_device != 0; }
    // Whether the open device has gone away (unplugged, its sound server ended, its output
    // failing). SDL then goes on calling the source as if it played, into nothing.
    bool deviceLost() const;
    // Closes the device and SDL's audio; the next start() opens them afresh.
    void close();
    long sampleRate() const { return m_sampleRate; }

    // While a Lock lives the source's render() is not running and will not start, so the UI
    // thread can change what it reads. Hold it briefly: to change fields, and at the most to
    // decode the one buffer a start or a seek primes (a fraction of a millisecond, against the
    // buffer's 93). A no-op when the device is closed, as nothing renders then.
    class Lock
    {
    public:
        explicit Lock(const AudioOutput &output);
        ~Lock();
        Lock(const Lock &) = delete;
        Lock &operator=(const Lock &) = delete;

    private:
        uint32_t m_device = 0;
    };

private:
    AudioSource &m_source;
    bool m_subsystemUp = false;
    uint32_t m_device = 0;
    long m_sampleRate = 0;
};

#endif
