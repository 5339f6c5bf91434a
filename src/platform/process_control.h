#ifndef BRENLOWICK_PROCESS_CONTROL_H
#define BRENLOWICK_PROCESS_CONTROL_H

#include <filesystem>

class ProcessControl
{
public:
    virtual ~ProcessControl() = default;
    // The folder the program file lives in, without a trailing separator.
    virtual std::filesystem::path programFolder() const = 0;
    // Ends the process at once: no close request or unload runs afterwards.
    virtual void endProgram(int exitCode) = 0;
};

#endif
