// Writes the application icon in the sizes of the hicolor icon theme, scaled from one large
// picture: icon-sizes SOURCE.png OUTPUT_FOLDER NAME SIZE... writes
// OUTPUT_FOLDER/<SIZE>x<SIZE>/apps/NAME.png for each size. Used by the build.
#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: icon-sizes SOURCE.png OUTPUT_FOLDER NAME SIZE...\n");
        return 2;
    }
    const QString sourcePath = QString::fromLocal8Bit(argv[1]);
    const QImage source(sourcePath);
    if (source.isNull() || source.width() != source.height()) {
        std::fprintf(stderr, "icon-sizes: cannot read a square picture from %s\n", argv[1]);
        return 1;
    }
    const QDir output(QString::fromLocal8Bit(argv[2]));
    const QString name = QString::fromLocal8Bit(argv[3]);
    for (int i = 4; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLatin1(argv[i]).toInt(&ok);
        if (!ok || size < 1 || size > source.width()) {
            std::fprintf(stderr, "icon-sizes: size %s is not from 1 to %d\n", argv[i], source.width());
            return 2;
        }
        // Area averaging for smaller sizes; the source's own size is written unchanged.
        const QImage icon = size == source.width()
                                ? source
                                : source.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString path = output.filePath(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
        if (!output.mkpath(folder) || !icon.save(path, "PNG")) {
            std::fprintf(stderr, "icon-sizes: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
