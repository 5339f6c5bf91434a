#ifndef BRENLOWICK_APP_ERROR_H
#define BRENLOWICK_APP_ERROR_H

#include <QString>

#include <cstdint>
#include <exception>

// Error numbers shown to the user. They follow the classic runtime's numbering so that a
// report reads the same whatever part of the program raised it.
namespace ErrNo {
constexpr int32_t InvalidArgument = 5;
constexpr int32_t Overflow = 6;
constexpr int32_t OutOfMemory = 7;
constexpr int32_t IndexOutOfRange = 9;
constexpr int32_t BadFileName = 52;
constexpr int32_t FileNotFound = 53;
constexpr int32_t DeviceUnavailable = 68;
constexpr int32_t DiskNotReady = 71;
constexpr int32_t PathFileAccess = 75;
constexpr int32_t PathNotFound = 76;
// The generic COM failure, which the player reports for a missing or unresponsive audio device.
constexpr int32_t E_FAIL_CODE = static_cast<int32_t>(0x80004005u);
} // namespace ErrNo

// The one exception type of the program: platform adapters and checked arithmetic throw it,
// RunTrapped catches it before Qt could see it.
class AppError : public std::exception
{
public:
    AppError(int32_t number, QString description)
        : m_number(number), m_description(std::move(description)),
          m_what(m_description.toUtf8())
    {
    }

    int32_t number() const noexcept { return m_number; }
    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    int32_t m_number = 0;
    QString m_description;
    QByteArray m_what;
};

// The standard descriptions, so every raiser words the same failure the same way.
QString describeError(int32_t number);

// Throws AppError(number, describeError(number) plus detail, if any).
[[noreturn]] void raiseError(int32_t number, const QString &detail = {});

// Turns an errno value from a file operation into the matching AppError.
[[noreturn]] void raiseFromErrno(int errnoValue, const QString &detail = {});

#endif
