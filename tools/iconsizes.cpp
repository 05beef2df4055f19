// plovex-iconsizes: writes the window icon as PNG files for the desktop's icon theme.
//
//   plovex-iconsizes ICON OUTPUT_DIR SIZE...
//
// writes OUTPUT_DIR/<SIZE>x<SIZE>/apps/plovex.png for each size, the layout of a hicolor
// theme. Each picture is the icon's 32 x 32 pixels scaled by nearest neighbour: no smoothing,
// so the pixel art stays sharp and no colours appear that the icon does not have.

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s ICON OUTPUT_DIR SIZE...\n",
                     argc > 0 ? argv[0] : "plovex-iconsizes");
        return 2;
    }
    const QString iconPath = QString::fromLocal8Bit(argv[1]);
    const QImage icon = QImage(iconPath).convertToFormat(QImage::Format_ARGB32);
    if (icon.isNull()) {
        std::fprintf(stderr, "plovex-iconsizes: cannot read %s\n", argv[1]);
        return 1;
    }
    const QDir outputDir(QString::fromLocal8Bit(argv[2]));
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size < 1) {
            std::fprintf(stderr, "plovex-iconsizes: bad size %s\n", argv[i]);
            return 2;
        }
        const QString dir = QStringLiteral("%1x%1/apps").arg(size);
        const QString file = outputDir.filePath(dir + QStringLiteral("/plovex.png"));
        const QImage scaled =
            icon.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (!outputDir.mkpath(dir) || !scaled.save(file, "PNG")) {
            std::fprintf(stderr, "plovex-iconsizes: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
