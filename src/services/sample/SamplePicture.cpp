#include "services/sample/SamplePicture.h"

#include <QColor>
#include <QtGlobal>

// The picture is compiled into this static library; its resource is registered before the
// first use. Q_INIT_RESOURCE declares the registration function, so it stays at global scope.
static void registerSampleResource()
{
    Q_INIT_RESOURCE(sample_picture);
}

namespace {

QImage loadSamplePicture()
{
    registerSampleResource();
    QImage picture(QStringLiteral(":/sample/sample_picture.png"));
    if (picture.size() != QSize(kSamplePictureWidth, kSamplePictureHeight)) {
        // Only a broken build gets here; a plain canvas of the right size keeps callers working.
        qWarning("The built-in sample picture is missing from the resources");
        picture = QImage(kSamplePictureWidth, kSamplePictureHeight, QImage::Format_ARGB32_Premultiplied);
        picture.fill(QColor(128, 128, 128));
    }
    return picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

QImage samplePicture()
{
    static const QImage picture = loadSamplePicture();
    return picture;
}
