#ifndef BRENLOWICK_TIME_TEXT_H
#define BRENLOWICK_TIME_TEXT_H

#include <QString>

#include <cstdint>

// The elapsed-time text: "00:MM:SS" below an hour, "HH:MM:SS" from an hour on (the hours take
// as many digits as they need), and "0:00" for a negative number of seconds.
QString formatTimeText(int32_t seconds);

#endif
