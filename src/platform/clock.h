#ifndef BRENLOWICK_CLOCK_H
#define BRENLOWICK_CLOCK_H

#include <QDateTime>

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime localNow() const = 0;
};

#endif
