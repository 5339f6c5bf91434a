#ifndef BRENLOWICK_INSTANCE_GUARD_H
#define BRENLOWICK_INSTANCE_GUARD_H

// Tells whether another instance of the program is running. The first caller to ask
// becomes the running instance for as long as the guard lives.
class InstanceGuard
{
public:
    virtual ~InstanceGuard() = default;
    virtual bool anotherInstanceRunning() = 0;
};

#endif
