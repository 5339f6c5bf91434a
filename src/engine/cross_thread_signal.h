#ifndef BRENLOWICK_CROSS_THREAD_SIGNAL_H
#define BRENLOWICK_CROSS_THREAD_SIGNAL_H

#include <QObject>

class QSocketNotifier;
class ThreadWakeup;

// Brings a ThreadWakeup's posts to the owner's thread as a signal: the owner's event loop
// watches the wakeup's eventfd. The wakeup belongs to whoever posts (a thread that may outlive
// the owner posts into memory of its own). Several posts before the owner looks may arrive as
// one posted().
class CrossThreadSignal : public QObject {
    Q_OBJECT
public:
    CrossThreadSignal(ThreadWakeup &wakeup, QObject *parent = nullptr);
    ~CrossThreadSignal() override;

Q_SIGNALS:
    // On the owner's thread.
    void posted();

private:
    void drain();

    ThreadWakeup &m_wakeup;
    QSocketNotifier *m_notifier = nullptr;
};

#endif
