// Writes the program's icon as the PNG files of the desktop's icon theme, from the very
// drawing the window and the tray use, so the installed icons cannot drift from it.
//   render_icons <output folder> <size>...   writes <folder>/<size>/brenlowick.png

#include "app/app_icon.h"

#include <QDir>
#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    if (argc < 3) {
        std::fputs("usage: render_icons <output folder> <size>...\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int arg = 2; arg < argc; ++arg) {
        bool isNumber = false;
        const int size = QString::fromLocal8Bit(argv[arg]).toInt(&isNumber);
        if (!isNumber || size <= 0) {
            std::fprintf(stderr, "render_icons: not a size: %s\n", argv[arg]);
            return 2;
        }
        const QString sizeFolder = folder + QStringLiteral("/%1").arg(size);
        const QPixmap pixmap = programIcon().pixmap(size, size);
        if (!QDir().mkpath(sizeFolder) || pixmap.size() != QSize(size, size)
            || !pixmap.save(sizeFolder + QStringLiteral("/brenlowick.png"), "PNG")) {
            std::fprintf(stderr, "render_icons: could not write the %d pixel icon in %s\n", size,
                qPrintable(sizeFolder));
            return 1;
        }
    }
    return 0;
}
