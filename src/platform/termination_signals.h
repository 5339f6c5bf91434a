#ifndef BRENLOWICK_TERMINATION_SIGNALS_H
#define BRENLOWICK_TERMINATION_SIGNALS_H

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the UI thread (through a self-pipe), so
// that the program can save its settings before it ends.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void terminationRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};

#endif
