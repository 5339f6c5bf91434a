#ifndef BRENLOWICK_AFTER_REPLY_H
#define BRENLOWICK_AFTER_REPLY_H

#include <QDBusContext>
#include <QMetaObject>
#include <QObject>

#include <utility>

// A bus call is answered when its slot returns. A window handler may show a failure box, which
// is modal and runs its event loop for as long as the user takes to read it: run inside the
// slot, it would keep the caller waiting that long (a media-key daemon gives up after 25 s). So
// the slot only queues the handler, on the window's thread, and returns.
//
// Queued handlers run in the order their calls came in, each on the state the one before it
// left, so everything a handler decides (is the button enabled, play or pause, where to seek
// from) is decided when it runs, not when its call arrives. A handler is queued before its
// call's answer leaves, so a call that a client sends once it has the answer is served after
// the handler has run, or while the box the handler opened is still up. A client that reads
// PlaybackStatus right after Play returns reads "Playing"; where the sound cannot start (no
// sound server), "Paused" at the position the window shows as soon as the player knows, while
// the window's box says why; where Play itself failed, the status the window had before.
//
// An adaptor driven without a bus (the soak benchmark does so) keeps no caller waiting: there
// the handler runs at once, as any function's body does. Whether a call came from the bus
// cannot be told per call (a property write carries no bus context), so it goes by the
// exported object: the service exported on the bus is a bus context.
template<typename Handler> void runAfterReply(QObject *adaptor, Handler &&handler)
{
    if (dynamic_cast<const QDBusContext *>(adaptor->parent()))
        QMetaObject::invokeMethod(adaptor, std::forward<Handler>(handler), Qt::QueuedConnection);
    else
        handler();
}

#endif
