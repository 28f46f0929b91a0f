// Paints the photos of the demonstration run, so that none is downloaded or copied:
//   lumora-make-demo-photos FOLDER
// writes a few JPEG landscapes with camera EXIF data into FOLDER; one of them is a portrait
// stored turned, with orientation 6, as cameras store photos taken upright.
#include <QDir>
#include <QImage>
#include <QTextStream>

#include "ExifBlock.h"
#include "ScenePainter.h"
#include "services/imaging/ImageEncoder.h"
#include "services/imaging/ImageOrientation.h"

namespace {

struct DemoPhoto
{
    const char* name;
    QSize upright;
    int variant;
    int orientation;
};

bool writeJpeg(const QImage& upright, const QString& path, int orientation, QTextStream& err)
{
    ImageEncoder::Options options;
    options.metadata.segments.append(
        {JpegMetadata::kApp1,
         MakeExifBlock(orientation, QStringLiteral("Lumora"), QStringLiteral("Demo Camera"),
                       QStringLiteral("2024:05:18 06:42:10"))});
    options.jpegQuality = 92;
    const QImage stored = ImageOrientation::turnBack(upright, orientation);
    const Outcome status = ImageEncoder::write(stored, path, ImageEncoder::FileFormat::Jpeg, options);
    if (!status)
        err << status.sentence() << Qt::endl;
    return status.ok();
}

} // namespace

int main(int argc, char* argv[])
{
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: lumora-make-demo-photos FOLDER" << Qt::endl;
        return 2;
    }
    const QString where = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(where)) {
        err << "cannot create " << where << Qt::endl;
        return 1;
    }
    const DemoPhoto photos[] = {
        {"lakeside-dawn.jpg", QSize(1600, 1000), 0, 1},
        {"lakeside-noon-portrait.jpg", QSize(1000, 1500), 1, 6},
        {"lakeside-evening.jpg", QSize(1800, 1200), 2, 1},
    };
    for (const DemoPhoto& photo : photos) {
        const QString path = QDir(where).filePath(QLatin1String(photo.name));
        if (!writeJpeg(PaintScene(photo.upright, photo.variant), path, photo.orientation, err))
            return 1;
    }
    return 0;
}
