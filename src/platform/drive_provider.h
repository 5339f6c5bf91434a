#ifndef BRENLOWICK_DRIVE_PROVIDER_H
#define BRENLOWICK_DRIVE_PROVIDER_H

#include <filesystem>
#include <vector>

// The "drives" of a Linux machine: the mounted file systems that hold files.
class DriveProvider
{
public:
    virtual ~DriveProvider() = default;
    // Mount points, root first.
    virtual std::vector<std::filesystem::path> mountPoints() const = 0;
};

#endif
