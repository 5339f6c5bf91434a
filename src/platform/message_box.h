#ifndef BRENLOWICK_MESSAGE_BOX_H
#define BRENLOWICK_MESSAGE_BOX_H

#include <QString>

// Modal message boxes with one OK button, titled with the application title, and the beep.
class MessageBoxService
{
public:
    enum class Icon { None, Critical, Information };
    virtual ~MessageBoxService() = default;
    // Returns when the user has dismissed the box.
    virtual void show(Icon icon, const QString &text) = 0;
    virtual void beep() = 0;
};

#endif
