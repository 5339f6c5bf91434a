#include "app/error_trap.h"

#include "platform/message_box.h"

#include <exception>

QString headingText(Heading heading)
{
    return heading == Heading::Playback ? QStringLiteral("再生時にエラーが発生しました。")
                                        : QStringLiteral("エラーが発生しました。");
}

QString errorReportText(const QString &message, const QString &errNumber,
                        const QString &errDescription)
{
    const QString crlf = QStringLiteral("\r\n");
    return message + crlf + crlf + QStringLiteral("エラー番号：") + errNumber + crlf
           + QStringLiteral("エラー内容：") + errDescription;
}

void ReportError(MessageBoxService &box, const QString &Message, const QString &ErrNumber,
                 const QString &ErrDescription)
{
    box.show(MessageBoxService::Icon::Critical, errorReportText(Message, ErrNumber, ErrDescription));
}

void reportTrappedError(MessageBoxService &box, Heading heading, int32_t number,
                        const QString &description) noexcept
{
    try {
        if (heading == Heading::Playback && number == ErrNo::E_FAIL_CODE) {
            ReportError(box, headingText(heading), QString(), describeError(ErrNo::E_FAIL_CODE));
        } else {
            ReportError(box, headingText(heading), QString::number(number), description);
        }
    } catch (...) {
        // Nothing sensible is left to tell the user; the handler still returns normally.
    }
}

CaughtError currentExceptionAsError() noexcept
{
    try {
        throw;
    } catch (const AppError &e) {
        return {e.number(), e.description()};
    } catch (const std::bad_alloc &) {
        return {ErrNo::OutOfMemory, describeError(ErrNo::OutOfMemory)};
    } catch (const std::exception &e) {
        return {ErrNo::InvalidArgument, QString::fromLocal8Bit(e.what())};
    } catch (...) {
        return {ErrNo::InvalidArgument, describeError(ErrNo::InvalidArgument)};
    }
}
