#ifndef BRENLOWICK_CROSS_THREAD_SIGNAL_H
#define BRENLOWICK_CROSS_THREAD_SIGNAL_H

#include <QObject>

class QSocketNotifier;

// Wakes the owner's thread from a thread that must not allocate or lock (the audio thread):
// post() is one write to an eventfd, which the owner's event loop watches. Several posts
// before the owner looks may arrive as one posted().
class CrossThreadSignal : public QObject
{
    Q_OBJECT
public:
    explicit CrossThreadSignal(QObject *parent = nullptr);
    ~CrossThreadSignal() override;

    // Any thread; async-signal-safe.
    void post() noexcept;

Q_SIGNALS:
    // On the owner's thread.
    void posted();

private:
    void drain();

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};

#endif
