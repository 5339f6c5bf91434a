#include "engine/decoding_thread.h"

#include "engine/audio_output.h"
#include "engine/playback_stream.h"
#include "engine/thread_wakeup.h"

#include <pthread.h>

DecodingThread::DecodingThread(PlaybackStream &stream, AudioOutput &output, ThreadWakeup &wakeup,
                               std::chrono::milliseconds idleGrace)
    : m_stream(stream), m_output(output), m_wakeup(wakeup), m_idleGrace(idleGrace),
      m_thread([this] { run(); })
{
    pthread_setname_np(m_thread.native_handle(), "mp3 decoding");
}

DecodingThread::~DecodingThread()
{
    m_stopping.store(true, std::memory_order_release);
    m_wakeup.post();
    m_thread.join();
}

void DecodingThread::run() noexcept
{
    while (!m_stopping.load(std::memory_order_acquire)) {
        if (m_stream.decodeNext())
            continue;
        if (!m_output.isOpen() || !m_stream.idle()) {
            m_wakeup.wait();
            continue;
        }
        // Halted with nothing left to play out. Every command posts the wake-up, so a grace
        // that runs out means nothing was asked meanwhile; a Play that comes while the device
        // closes waits for the close and opens it again.
        if (!m_wakeup.wait(m_idleGrace))
            m_output.closeIfIdle([this] { return m_stream.idle(); });
    }
}
