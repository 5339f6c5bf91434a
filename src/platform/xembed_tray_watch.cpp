#include "platform/xembed_tray_watch.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

struct FreeReply
{
    void operator()(void *reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

// The screen of the display name ("host:display.screen"), whose tray the selection names.
int screenOfDisplay()
{
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype colon = display.lastIndexOf(':');
    const qsizetype dot = colon < 0 ? -1 : display.indexOf('.', colon + 1);
    if (dot < 0)
        return 0;
    bool ok = false;
    const int screen = display.mid(dot + 1).toInt(&ok);
    return ok ? screen : 0;
}

uint32_t internAtom(xcb_connection_t *connection, const QByteArray &name)
{
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.constData()),
        nullptr));
    return reply ? reply->atom : 0;
}

} // namespace

XEmbedTrayWatch::XEmbedTrayWatch(QObject *parent) : QObject(parent)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    m_connection = x11->connection();
    m_selection =
        internAtom(m_connection, "_NET_SYSTEM_TRAY_S" + QByteArray::number(screenOfDisplay()));
    m_manager = internAtom(m_connection, "MANAGER");
    if (!m_selection || !m_manager) {
        m_connection = nullptr;
        return;
    }
    // The toolkit already listens on the root window for the MANAGER message (its own tray
    // icon needs it), so only the owner's destruction has to be asked for.
    QCoreApplication::instance()->installNativeEventFilter(this);
    followOwner();
}

XEmbedTrayWatch::~XEmbedTrayWatch() = default;

void XEmbedTrayWatch::followOwner()
{
    m_owner = 0;
    // An owner can be gone again before its destruction is asked for; then look once more.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const Reply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
            m_connection, xcb_get_selection_owner(m_connection, m_selection), nullptr));
        const uint32_t owner = reply ? reply->owner : 0;
        if (!owner)
            return;
        // The toolkit selects the same events on the tray's window, so the two masks agree.
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_generic_error_t *error = xcb_request_check(
            m_connection,
            xcb_change_window_attributes_checked(m_connection, owner, XCB_CW_EVENT_MASK, &mask));
        if (!error) {
            m_owner = owner;
            return;
        }
        std::free(error);
    }
}

bool XEmbedTrayWatch::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (!m_connection || eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    bool ownerMayHaveChanged = false;
    switch (event->response_type & 0x7f) {
    case XCB_DESTROY_NOTIFY: {
        const auto *destroyed = reinterpret_cast<const xcb_destroy_notify_event_t *>(event);
        ownerMayHaveChanged = m_owner != 0 && destroyed->window == m_owner;
        break;
    }
    case XCB_CLIENT_MESSAGE: {
        const auto *client = reinterpret_cast<const xcb_client_message_event_t *>(event);
        ownerMayHaveChanged = client->type == m_manager && client->format == 32
                              && client->data.data32[1] == m_selection;
        break;
    }
    default:
        break;
    }
    if (ownerMayHaveChanged) {
        const bool before = present();
        followOwner();
        if (present() != before)
            Q_EMIT presenceChanged(present());
    }
    // The toolkit's own tray code sees the same events after this.
    return false;
}
