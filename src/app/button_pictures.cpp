#include "app/button_pictures.h"

#include <QApplication>
#include <QFile>
#include <QStyle>

namespace {

QIcon fromToolkit(const char *name, QStyle::StandardPixmap fallback)
{
    const QString base = QStringLiteral(":/qt-project.org/styles/commonstyle/images/")
                         + QLatin1String(name);
    QIcon icon;
    for (int size : {16, 32, 128}) {
        const QString file = base + QStringLiteral("-%1.png").arg(size);
        if (QFile::exists(file))
            icon.addFile(file, QSize(size, size));
    }
    return icon.isNull() ? QApplication::style()->standardIcon(fallback) : icon;
}

} // namespace

namespace ButtonPicture {
QIcon play() { return fromToolkit("media-play", QStyle::SP_MediaPlay); }
QIcon pause() { return fromToolkit("media-pause", QStyle::SP_MediaPause); }
QIcon stop() { return fromToolkit("media-stop", QStyle::SP_MediaStop); }
QIcon previous() { return fromToolkit("media-skip-backward", QStyle::SP_MediaSkipBackward); }
QIcon next() { return fromToolkit("media-skip-forward", QStyle::SP_MediaSkipForward); }
QIcon end() { return fromToolkit("standardbutton-close", QStyle::SP_DialogCloseButton); }
QIcon expand() { return QApplication::style()->standardIcon(QStyle::SP_TitleBarUnshadeButton); }
QIcon folderOpen() { return fromToolkit("diropen", QStyle::SP_DirOpenIcon); }
QIcon folderClosed() { return fromToolkit("dirclosed", QStyle::SP_DirClosedIcon); }
} // namespace ButtonPicture
