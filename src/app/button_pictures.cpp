#include "app/button_pictures.h"

#include "app/picture_on_demand.h"

#include <QApplication>
#include <QFile>
#include <QStyle>

namespace {

QIcon fromToolkit(const char *name, QStyle::StandardPixmap fallback)
{
    const QString base = QStringLiteral(":/qt-project.org/styles/commonstyle/images/")
                         + QLatin1String(name);
    std::vector<std::pair<int, QString>> sizedFiles;
    for (int size : {16, 32, 48, 128}) {
        const QString file = base + QStringLiteral("-%1.png").arg(size);
        if (QFile::exists(file))
            sizedFiles.emplace_back(size, file);
    }
    if (sizedFiles.empty())
        return QApplication::style()->standardIcon(fallback);
    return QIcon(new PictureOnDemand(std::move(sizedFiles)));
}

} // namespace

namespace ButtonPicture {
QIcon play() { return fromToolkit("media-play", QStyle::SP_MediaPlay); }
QIcon pause() { return fromToolkit("media-pause", QStyle::SP_MediaPause); }
QIcon stop() { return fromToolkit("media-stop", QStyle::SP_MediaStop); }
QIcon previous() { return fromToolkit("media-skip-backward", QStyle::SP_MediaSkipBackward); }
QIcon next() { return fromToolkit("media-skip-forward", QStyle::SP_MediaSkipForward); }
QIcon end() { return fromToolkit("standardbutton-close", QStyle::SP_DialogCloseButton); }
QIcon expand() { return fromToolkit("titlebar-unshade", QStyle::SP_TitleBarUnshadeButton); }
QIcon folderOpen() { return fromToolkit("diropen", QStyle::SP_DirOpenIcon); }
QIcon folderClosed() { return fromToolkit("dirclosed", QStyle::SP_DirClosedIcon); }
} // namespace ButtonPicture
