#ifndef BRENLOWICK_DECODING_THREAD_H
#define BRENLOWICK_DECODING_THREAD_H

#include <atomic>
#include <chrono>
#include <thread>

class AudioOutput;
class PlaybackStream;
class ThreadWakeup;

// The thread that reads and decodes the song ahead of the device (PlaybackStream::decodeNext),
// so that neither the window nor the device's thread ever waits for the disk. It also closes
// the device once playback has been halted for `idleGrace`: an open device wakes its thread
// once a buffer even for silence, and closing it waits for that thread, which no command
// should. The next Play opens it again.
class DecodingThread
{
public:
    DecodingThread(PlaybackStream &stream, AudioOutput &output, ThreadWakeup &wakeup,
                   std::chrono::milliseconds idleGrace);
    // Waits for a read under way to return.
    ~DecodingThread();
    DecodingThread(const DecodingThread &) = delete;
    DecodingThread &operator=(const DecodingThread &) = delete;

private:
    void run() noexcept;

    PlaybackStream &m_stream;
    AudioOutput &m_output;
    ThreadWakeup &m_wakeup;
    const std::chrono::milliseconds m_idleGrace;
    std::atomic<bool> m_stopping = false;
    std::thread m_thread; // last: started once everything it reads is set
};

#endif
