#include "engine/pulse_connection.h"

#include "engine/thread_wakeup.h"

#include <sys/time.h>

#include <atomic>

PulseConnection::PulseConnection(ThreadWakeup &wakeup, std::function<void()> service)
    : m_wakeup(wakeup)
    , m_service(std::move(service))
{
    m_loop = pa_mainloop_new();
    if (m_loop == nullptr)
        return;
    m_api = pa_mainloop_get_api(m_loop);
    m_wakeupEvent = m_api->io_new(m_api, m_wakeup.fd(), PA_IO_EVENT_INPUT, &onWakeup, this);
    m_timer = m_api->time_new(m_api, nullptr, &onTimer, this);
}

PulseConnection::~PulseConnection()
{
    disconnect();
    if (m_loop == nullptr)
        return;
    m_api->time_free(m_timer);
    m_api->io_free(m_wakeupEvent);
    pa_mainloop_free(m_loop);
}

bool PulseConnection::connect()
{
    disconnect();
    if (m_loop == nullptr)
        return false;
    m_context = pa_context_new(m_api, "Brenlowick");
    if (m_context == nullptr)
        return false;
    pa_context_set_state_callback(m_context, &onContextState, this);
    // Starting a server is the desktop's business; where none answers, SDL's output serves.
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    return true;
}

bool PulseConnection::connectAndWait(
    std::chrono::milliseconds limit, const std::atomic<bool> &stopping)
{
    if (!connect())
        return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    serviceAfter(std::chrono::duration_cast<std::chrono::microseconds>(limit));
    while (!ready() && !failed() && !stopping.load() && std::chrono::steady_clock::now() < deadline)
        iterate();
    serviceAfter(std::chrono::microseconds(-1));
    return ready();
}

void PulseConnection::disconnect()
{
    if (m_context == nullptr)
        return;
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    m_context = nullptr;
}

bool PulseConnection::ready() const
{
    return m_context != nullptr && pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

bool PulseConnection::failed() const
{
    if (m_context == nullptr)
        return true;
    const pa_context_state_t state = pa_context_get_state(m_context);
    return state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED;
}

QString PulseConnection::lastError() const
{
    const int error = m_context != nullptr ? pa_context_errno(m_context) : PA_ERR_CONNECTIONREFUSED;
    return QStringLiteral("PulseAudio: ") + QString::fromUtf8(pa_strerror(error));
}

void PulseConnection::iterate()
{
    pa_mainloop_iterate(m_loop, 1, nullptr);
}

void PulseConnection::serviceAfter(std::chrono::microseconds delay)
{
    if (delay.count() < 0) {
        m_api->time_restart(m_timer, nullptr);
        return;
    }
    // libpulse's main loop keeps its time events on the real-time clock.
    timeval due = {};
    gettimeofday(&due, nullptr);
    const int64_t micros = static_cast<int64_t>(due.tv_usec) + delay.count();
    due.tv_sec += static_cast<time_t>(micros / 1'000'000);
    due.tv_usec = static_cast<suseconds_t>(micros % 1'000'000);
    m_api->time_restart(m_timer, &due);
}

void PulseConnection::onWakeup(
    pa_mainloop_api *, pa_io_event *, int, pa_io_event_flags_t, void *self)
{
    auto *connection = static_cast<PulseConnection *>(self);
    connection->m_wakeup.wait(std::chrono::milliseconds(0));
    connection->m_service();
}

void PulseConnection::onTimer(
    pa_mainloop_api *api, pa_time_event *event, const struct timeval *, void *self)
{
    api->time_restart(event, nullptr);
    static_cast<PulseConnection *>(self)->m_service();
}

void PulseConnection::onContextState(pa_context *, void *self)
{
    static_cast<PulseConnection *>(self)->m_service();
}
