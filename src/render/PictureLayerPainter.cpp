#include "render/PictureLayerPainter.h"

#include "services/language/FailureReason.h"

#include <QDir>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/WatermarkConf.h"
#include "render/CanvasCulling.h"
#include "render/LayerPlacement.h"
#include "services/imaging/DrawingState.h"
#include "services/imaging/ImageCanvas.h"
#include "services/imaging/PhotoDecoder.h"

namespace {

constexpr qreal kAntiAliasMargin = 2;

int clampedInt(qint64 value)
{
    return static_cast<int>(
        std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// A copy whose alpha is multiplied by factor (above 1), stopping at fully opaque: the
// colour matrix of the drawing library scales unpremultiplied alpha and clamps it.
QImage withAlphaRaised(const QImage& picture, qreal factor)
{
    QImage copy = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < copy.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(copy.scanLine(y));
        for (int x = 0; x < copy.width(); ++x) {
            // Computed in floating point: the factor reaches 2^31 / 100, and the product
            // overflows an int.
            const int alpha = static_cast<int>(std::min(255.0, std::round(qAlpha(line[x]) * factor)));
            line[x] = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), alpha);
        }
    }
    return copy;
}

} // namespace

namespace PictureLayerPainter {

QSize drawnSize(const WatermarkConf& conf, const QSize& own, const QSize& canvas)
{
    const bool setSize = conf.ImageWidth >= 1 && conf.ImageHeight >= 1;
    if (!setSize)
        return own;
    if (conf.ScaleImgWT == 0)
        return QSize(conf.ImageWidth, conf.ImageHeight);
    // Both factors fit in 32 bits, so the width's product fits in 64. The height's product may
    // not (a width of trillions of pixels times a large height); such a height is far beyond
    // the int range and saturates like the width does.
    const qint64 width = qint64(canvas.width()) * conf.ImageWidth / kDesignCanvasWidth;
    qint64 product = 0;
    if (__builtin_mul_overflow(width, qint64(conf.ImageHeight), &product))
        product = width < 0 ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
    const qint64 height = product / conf.ImageWidth;
    return QSize(clampedInt(width), clampedInt(height));
}

void draw(QPainter& painter, const WatermarkConf& conf, const QImage& picture, const QSize& canvas)
{
    if (picture.isNull() || !painter.isActive())
        return;
    const QSize size = drawnSize(conf, picture.size(), canvas);
    if (size.isEmpty())
        return;
    const qreal alphaScale = conf.ImageTransparency / 100.0;
    if (!(alphaScale > 0))
        return;
    const QPointF anchor =
        LayerPlacement::pictureAnchor(conf.ImageLocation, canvas, size, conf.ImageOffsetH, conf.ImageOffsetV);

    DrawingState::Scope state(painter);
    DrawingState::rotateAbout(painter, anchor, -qreal(conf.ImageRotation));
    DrawingState::setHighQuality(painter);

    const QRectF target(std::trunc(anchor.x()), std::trunc(anchor.y()), size.width(), size.height());
    const QRectF device(0, 0, painter.device()->width(), painter.device()->height());
    if (!CanvasCulling::touches(painter.worldTransform(), target, kAntiAliasMargin, device))
        return;

    // Shrinking is done beforehand with an averaging filter; enlarging is left to the
    // painter's smooth transform, so a huge drawn size never allocates a huge picture.
    QImage shown = ImageCanvas::scaledHighQuality(
        picture, QSize(std::min(size.width(), picture.width()), std::min(size.height(), picture.height())));
    if (alphaScale < 1)
        painter.setOpacity(painter.opacity() * alphaScale);
    else if (alphaScale > 1 && shown.hasAlphaChannel())
        shown = withAlphaRaised(shown, alphaScale);
    painter.drawImage(target, shown, QRectF(shown.rect()));
}

Outcome load(const QString& path, qint64 pixelLimit, QImage& picture)
{
    picture = QImage();
    PhotoDecoder decoder;
    decoder.setPixelLimit(pixelLimit);
    Outcome status = decoder.open(path);
    if (status)
        status = decoder.decode(picture);
    if (!status) {
        picture = QImage();
        return Outcome::failure(FailureReason::tr("the picture file %1 cannot be read: %2")
                                    .arg(QDir::toNativeSeparators(path), status.sentence()));
    }
    return status;
}

} // namespace PictureLayerPainter
