#include "app/app_error.h"

#include <cerrno>
#include <cstring>

QString describeError(int32_t number)
{
    switch (number) {
    case ErrNo::InvalidArgument: return QStringLiteral("プロシージャの呼び出し、または引数が不正です。");
    case ErrNo::Overflow: return QStringLiteral("オーバーフローしました。");
    case ErrNo::OutOfMemory: return QStringLiteral("メモリが不足しています。");
    case ErrNo::IndexOutOfRange: return QStringLiteral("インデックスが有効範囲にありません。");
    case ErrNo::BadFileName: return QStringLiteral("ファイル名または番号が不正です。");
    case ErrNo::FileNotFound: return QStringLiteral("ファイルが見つかりません。");
    case ErrNo::DeviceUnavailable: return QStringLiteral("デバイスが使用できません。");
    case ErrNo::DiskNotReady: return QStringLiteral("ディスクが準備されていません。");
    case ErrNo::PathFileAccess: return QStringLiteral("パスまたはファイルにアクセスできません。");
    case ErrNo::PathNotFound: return QStringLiteral("パスが見つかりません。");
    case ErrNo::E_FAIL_CODE:
        return QStringLiteral("オーディオのハードウェアがないか、またはハードウェアが応答していません。");
    default: return QStringLiteral("アプリケーション定義またはオブジェクト定義のエラーです。");
    }
}

void raiseError(int32_t number, const QString &detail)
{
    QString text = describeError(number);
    if (!detail.isEmpty())
        text += QStringLiteral(" (") + detail + QLatin1Char(')');
    throw AppError(number, text);
}

void raiseFromErrno(int errnoValue, const QString &detail)
{
    int32_t number = ErrNo::PathFileAccess;
    switch (errnoValue) {
    case ENOENT: number = ErrNo::PathNotFound; break;
    case ENOTDIR: number = ErrNo::PathNotFound; break;
    case ENAMETOOLONG: number = ErrNo::BadFileName; break;
    case EIO:
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM:
    case ETIMEDOUT:
    case EHOSTDOWN:
        number = ErrNo::DiskNotReady;
        break;
    case ENOMEM: number = ErrNo::OutOfMemory; break;
    default: break;
    }
    QString text = detail;
    const QString systemText = QString::fromLocal8Bit(std::strerror(errnoValue));
    text = text.isEmpty() ? systemText : text + QStringLiteral(": ") + systemText;
    raiseError(number, text);
}
