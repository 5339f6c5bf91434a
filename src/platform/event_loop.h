#ifndef BRENLOWICK_EVENT_LOOP_H
#define BRENLOWICK_EVENT_LOOP_H

// Lets pending window and timer events run from inside a long handler. Cheap to call often:
// the real one only processes events when about 10 ms have passed since it last did.
class EventLoopYield
{
public:
    virtual ~EventLoopYield() = default;
    virtual void yield() = 0;
};

#endif
