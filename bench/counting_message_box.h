#ifndef BRENLOWICK_COUNTING_MESSAGE_BOX_H
#define BRENLOWICK_COUNTING_MESSAGE_BOX_H

#include "platform/message_box.h"

#include <QString>

#include <cstdio>

// A failure box would wait for a user who is not there: a benchmark counts them instead, and
// prints each one under its own name.
class CountingMessageBox : public MessageBoxService {
public:
    explicit CountingMessageBox(const char *benchmark)
        : m_benchmark(benchmark)
    {
    }
    void show(Icon, const QString &text) override
    {
        ++shown;
        std::fprintf(stderr, "%s: error box: %s\n", m_benchmark, text.toUtf8().constData());
    }
    void beep() override { }
    int shown = 0;

private:
    const char *m_benchmark;
};

#endif
