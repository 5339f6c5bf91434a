// The libpulse functions the server output calls, loaded from libpulse when the first of them is
// called rather than when the program starts, as SDL's are (sdl_on_demand.cpp): a program that
// never plays does not pay for loading the sound server's client and what it pulls with it.
// Without the library, pa_mainloop_new and pa_context_new give nothing and the engine takes
// SDL's output.

#include <pulse/pulseaudio.h>

#include <dlfcn.h>

#include <mutex>

namespace {

#define BRENLOWICK_PULSE_FUNCTIONS(X)                                                              \
    X(pa_mainloop_new)                                                                             \
    X(pa_mainloop_free)                                                                            \
    X(pa_mainloop_get_api)                                                                         \
    X(pa_mainloop_iterate)                                                                         \
    X(pa_context_new)                                                                              \
    X(pa_context_unref)                                                                            \
    X(pa_context_connect)                                                                          \
    X(pa_context_disconnect)                                                                       \
    X(pa_context_get_state)                                                                        \
    X(pa_context_set_state_callback)                                                               \
    X(pa_context_errno)                                                                            \
    X(pa_strerror)                                                                                 \
    X(pa_stream_new)                                                                               \
    X(pa_stream_unref)                                                                             \
    X(pa_stream_connect_playback)                                                                  \
    X(pa_stream_disconnect)                                                                        \
    X(pa_stream_get_state)                                                                         \
    X(pa_stream_set_state_callback)                                                                \
    X(pa_stream_set_write_callback)                                                                \
    X(pa_stream_set_started_callback)                                                              \
    X(pa_stream_set_underflow_callback)                                                            \
    X(pa_stream_write)                                                                             \
    X(pa_stream_begin_write)                                                                       \
    X(pa_stream_cancel_write)                                                                      \
    X(pa_stream_writable_size)                                                                     \
    X(pa_stream_drain)                                                                             \
    X(pa_stream_update_timing_info)                                                                \
    X(pa_stream_get_timing_info)                                                                   \
    X(pa_stream_get_time)                                                                          \
    X(pa_operation_unref)

struct PulseFunctions {
#define BRENLOWICK_DECLARE(name) decltype(&::name) name = nullptr;
    BRENLOWICK_PULSE_FUNCTIONS(BRENLOWICK_DECLARE)
#undef BRENLOWICK_DECLARE
    bool complete = false;
};

const PulseFunctions &pulse()
{
    static PulseFunctions functions;
    static std::once_flag loaded;
    std::call_once(loaded, [] {
        void *library = dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return;
        bool complete = true;
#define BRENLOWICK_RESOLVE(name)                                                                   \
    functions.name = reinterpret_cast<decltype(&::name)>(dlsym(library, #name));                   \
    complete = complete && functions.name != nullptr;
        BRENLOWICK_PULSE_FUNCTIONS(BRENLOWICK_RESOLVE)
#undef BRENLOWICK_RESOLVE
        functions.complete = complete;
    });
    return functions;
}

} // namespace

extern "C" {

pa_mainloop *pa_mainloop_new(void)
{
    return pulse().complete ? pulse().pa_mainloop_new() : nullptr;
}

pa_context *pa_context_new(pa_mainloop_api *api, const char *name)
{
    return pulse().complete ? pulse().pa_context_new(api, name) : nullptr;
}

// The rest are called only once pa_mainloop_new has given a main loop, so the library is there.
#define BRENLOWICK_FORWARD(name, result, parameters, arguments)                                    \
    result name parameters                                                                         \
    {                                                                                              \
        return pulse().name arguments;                                                             \
    }

BRENLOWICK_FORWARD(pa_mainloop_free, void, (pa_mainloop * m), (m))
BRENLOWICK_FORWARD(pa_mainloop_get_api, pa_mainloop_api *, (pa_mainloop * m), (m))
BRENLOWICK_FORWARD(
    pa_mainloop_iterate, int, (pa_mainloop * m, int block, int *retval), (m, block, retval))
BRENLOWICK_FORWARD(pa_context_unref, void, (pa_context * c), (c))
BRENLOWICK_FORWARD(pa_context_connect, int,
    (pa_context * c, const char *server, pa_context_flags_t flags, const pa_spawn_api *api),
    (c, server, flags, api))
BRENLOWICK_FORWARD(pa_context_disconnect, void, (pa_context * c), (c))
BRENLOWICK_FORWARD(pa_context_get_state, pa_context_state_t, (const pa_context *c), (c))
BRENLOWICK_FORWARD(pa_context_set_state_callback, void,
    (pa_context * c, pa_context_notify_cb_t cb, void *userdata), (c, cb, userdata))
BRENLOWICK_FORWARD(pa_context_errno, int, (const pa_context *c), (c))
BRENLOWICK_FORWARD(pa_strerror, const char *, (int error), (error))
BRENLOWICK_FORWARD(pa_stream_new, pa_stream *,
    (pa_context * c, const char *name, const pa_sample_spec *ss, const pa_channel_map *map),
    (c, name, ss, map))
BRENLOWICK_FORWARD(pa_stream_unref, void, (pa_stream * s), (s))
BRENLOWICK_FORWARD(pa_stream_connect_playback, int,
    (pa_stream * s, const char *dev, const pa_buffer_attr *attr, pa_stream_flags_t flags,
        const pa_cvolume *volume, pa_stream *sync_stream),
    (s, dev, attr, flags, volume, sync_stream))
BRENLOWICK_FORWARD(pa_stream_disconnect, int, (pa_stream * s), (s))
BRENLOWICK_FORWARD(pa_stream_get_state, pa_stream_state_t, (const pa_stream *p), (p))
BRENLOWICK_FORWARD(pa_stream_set_state_callback, void,
    (pa_stream * s, pa_stream_notify_cb_t cb, void *userdata), (s, cb, userdata))
BRENLOWICK_FORWARD(pa_stream_set_write_callback, void,
    (pa_stream * p, pa_stream_request_cb_t cb, void *userdata), (p, cb, userdata))
BRENLOWICK_FORWARD(pa_stream_set_started_callback, void,
    (pa_stream * p, pa_stream_notify_cb_t cb, void *userdata), (p, cb, userdata))
BRENLOWICK_FORWARD(pa_stream_set_underflow_callback, void,
    (pa_stream * p, pa_stream_notify_cb_t cb, void *userdata), (p, cb, userdata))
BRENLOWICK_FORWARD(pa_stream_write, int,
    (pa_stream * p, const void *data, size_t nbytes, pa_free_cb_t free_cb, int64_t offset,
        pa_seek_mode_t seek),
    (p, data, nbytes, free_cb, offset, seek))
BRENLOWICK_FORWARD(
    pa_stream_begin_write, int, (pa_stream * p, void **data, size_t *nbytes), (p, data, nbytes))
BRENLOWICK_FORWARD(pa_stream_cancel_write, int, (pa_stream * p), (p))
BRENLOWICK_FORWARD(pa_stream_writable_size, size_t, (const pa_stream *p), (p))
BRENLOWICK_FORWARD(pa_stream_drain, pa_operation *,
    (pa_stream * s, pa_stream_success_cb_t cb, void *userdata), (s, cb, userdata))
BRENLOWICK_FORWARD(pa_stream_update_timing_info, pa_operation *,
    (pa_stream * p, pa_stream_success_cb_t cb, void *userdata), (p, cb, userdata))
BRENLOWICK_FORWARD(pa_stream_get_timing_info, const pa_timing_info *, (pa_stream * s), (s))
BRENLOWICK_FORWARD(pa_stream_get_time, int, (pa_stream * s, pa_usec_t *r_usec), (s, r_usec))
BRENLOWICK_FORWARD(pa_operation_unref, void, (pa_operation * o), (o))

#undef BRENLOWICK_FORWARD

} // extern "C"
