#ifndef BRENLOWICK_XEMBED_TRAY_WATCH_H
#define BRENLOWICK_XEMBED_TRAY_WATCH_H

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <cstdint>

struct xcb_connection_t;

// Whether an X notification area (the owner of the _NET_SYSTEM_TRAY_S<screen> selection) is
// there, followed through the toolkit's own X connection: the owner's window being destroyed
// says the tray went (its panel crashed or was restarted), the MANAGER message a new owner sends
// to the root window says one came. Both arrive as X events, so nothing runs while neither
// happens. Outside X (offscreen, Wayland) no tray is ever present here.
class XEmbedTrayWatch : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    explicit XEmbedTrayWatch(QObject *parent = nullptr);
    ~XEmbedTrayWatch() override;

    bool present() const { return m_owner != 0; }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

Q_SIGNALS:
    void presenceChanged(bool present);

private:
    void followOwner();

    xcb_connection_t *m_connection = nullptr;
    uint32_t m_selection = 0;
    uint32_t m_manager = 0;
    uint32_t m_owner = 0;
};

#endif
