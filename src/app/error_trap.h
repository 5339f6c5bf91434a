#ifndef BRENLOWICK_ERROR_TRAP_H
#define BRENLOWICK_ERROR_TRAP_H

#include "app/app_error.h"

#include <functional>
#include <new>
#include <optional>

class MessageBoxService;

// The heading a trapped handler reports its failure with.
enum class Heading { General, Playback };

QString headingText(Heading heading);

// Builds the four-line report: heading, empty line, number line, description line.
QString errorReportText(const QString &message, const QString &errNumber,
                        const QString &errDescription);

// The one error message box of the program.
void ReportError(MessageBoxService &box, const QString &Message, const QString &ErrNumber,
                 const QString &ErrDescription);

// Reports a trapped error under its handler's heading; playback failures with E_FAIL are
// shown as missing audio hardware without a number.
void reportTrappedError(MessageBoxService &box, Heading heading, int32_t number,
                        const QString &description) noexcept;

// Converts whatever a handler body threw into a number and a description.
struct CaughtError
{
    int32_t number = 0;
    QString description;
};
CaughtError currentExceptionAsError() noexcept;

// Runs one handler body under a trap: a throw skips the rest of the body and is reported once.
// Returns false when the body failed.
template <typename Body>
bool RunTrapped(MessageBoxService &box, Heading heading, Body &&body) noexcept
{
    try {
        body();
        return true;
    } catch (...) {
        const CaughtError error = currentExceptionAsError();
        reportTrappedError(box, heading, error.number, error.description);
        return false;
    }
}

// The pending error of a routine that passes over failing statements instead of ending.
class PendingError
{
public:
    bool isSet() const { return m_error.has_value(); }
    const CaughtError *error() const { return m_error ? &*m_error : nullptr; }
    QString description() const { return m_error ? m_error->description : QString(); }
    void set(CaughtError error) { m_error = std::move(error); }
    void clear() { m_error.reset(); }

private:
    std::optional<CaughtError> m_error;
};

// Runs one statement; a failure is kept as the pending error and the caller goes on.
template <typename Statement>
void ResumeNext(PendingError &pending, Statement &&statement) noexcept
{
    try {
        statement();
    } catch (...) {
        pending.set(currentExceptionAsError());
    }
}

#endif
