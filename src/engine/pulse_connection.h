#ifndef BRENLOWICK_PULSE_CONNECTION_H
#define BRENLOWICK_PULSE_CONNECTION_H

#include <pulse/pulseaudio.h>

#include <QString>

#include <chrono>
#include <functional>

class ThreadWakeup;

// A connection to the sound server on a main loop run by the calling thread (the engine's
// output thread): libpulse's own main loop, which also watches a ThreadWakeup of the engine's,
// so the commands of the window reach it the one way every engine thread is woken, and a timer.
// Never starts a server: one that does not answer is no server.
class PulseConnection {
public:
    // `service` runs whenever something may have changed: the wakeup posted, the timer due, the
    // connection's state changed.
    PulseConnection(ThreadWakeup &wakeup, std::function<void()> service);
    ~PulseConnection();
    PulseConnection(const PulseConnection &) = delete;
    PulseConnection &operator=(const PulseConnection &) = delete;

    // Whether libpulse could be loaded and a main loop made.
    bool usable() const { return m_loop != nullptr; }
    // Starts connecting (to PULSE_SERVER, or the user's server); false when it cannot start.
    bool connect();
    // Runs the main loop until the server answers or refuses, `limit` passes, or stopping.
    bool connectAndWait(std::chrono::milliseconds limit, const std::atomic<bool> &stopping);
    void disconnect();
    bool ready() const;
    bool failed() const;
    QString lastError() const;
    pa_context *context() const { return m_context; }

    // Runs one round of the main loop, sleeping until something happens.
    void iterate();
    // Runs `service` again after `delay` (replacing an earlier request); negative: never.
    void serviceAfter(std::chrono::microseconds delay);

private:
    static void onWakeup(pa_mainloop_api *, pa_io_event *, int, pa_io_event_flags_t, void *self);
    static void onTimer(pa_mainloop_api *, pa_time_event *, const struct timeval *, void *self);
    static void onContextState(pa_context *, void *self);

    ThreadWakeup &m_wakeup;
    std::function<void()> m_service;
    pa_mainloop *m_loop = nullptr;
    pa_mainloop_api *m_api = nullptr;
    pa_io_event *m_wakeupEvent = nullptr;
    pa_time_event *m_timer = nullptr;
    pa_context *m_context = nullptr;
};

#endif
