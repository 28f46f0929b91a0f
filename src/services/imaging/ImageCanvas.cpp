#include "services/imaging/ImageCanvas.h"

#include "services/imaging/ImageBuffer.h"

#include <QPainter>

namespace ImageCanvas {

QImage create(const QSize& size)
{
    QImage canvas = ImageBuffer::allocate(size, kFormat);
    if (!canvas.isNull())
        canvas.fill(Qt::transparent);
    return canvas;
}

QImage scaledHighQuality(const QImage& picture, const QSize& size)
{
    if (picture.isNull() || size.isEmpty() || picture.size() == size)
        return picture;
    return picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage fromPhoto(QImage photo, const QSize& size)
{
    if (photo.isNull() || size.isEmpty())
        return QImage();
    QImage scaled = scaledHighQuality(photo, size);
    photo = QImage(); // let the full-size picture go before the conversion
    return std::move(scaled).convertToFormat(kFormat);
}

QImage onWhite(const QImage& picture)
{
    if (picture.isNull() || !picture.hasAlphaChannel())
        return picture;
    QImage flat(picture.size(), QImage::Format_RGB32);
    if (flat.isNull())
        return flat;
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, picture);
    return flat;
}

bool hasTransparency(const QImage& picture)
{
    if (!picture.hasAlphaChannel())
        return false;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            if (qAlpha(line[x]) != 255)
                return true;
        }
    }
    return false;
}

void drawPhotoScaled(QPainter& painter, const QImage& photo, const QRect& target)
{
    if (photo.isNull() || target.isEmpty())
        return;
    painter.drawImage(target.topLeft(), scaledHighQuality(photo, target.size()));
}

namespace {

// A copy whose alpha is multiplied by factor (above 1), stopping at fully opaque.
QImage withAlphaRaised(const QImage& picture, qreal factor)
{
    QImage copy = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < copy.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(copy.scanLine(y));
        for (int x = 0; x < copy.width(); ++x) {
            const int alpha = qMin(255, qRound(qAlpha(line[x]) * factor));
            line[x] = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), alpha);
        }
    }
    return copy;
}

} // namespace

void drawPictureAlphaScaled(QPainter& painter, const QImage& picture, const QRect& target, qreal alphaScale)
{
    if (picture.isNull() || target.isEmpty() || !(alphaScale > 0))
        return;
    QImage scaled = scaledHighQuality(picture, target.size());
    painter.save();
    if (alphaScale <= 1)
        painter.setOpacity(painter.opacity() * alphaScale);
    else if (scaled.hasAlphaChannel())
        scaled = withAlphaRaised(scaled, alphaScale);
    painter.drawImage(target.topLeft(), scaled);
    painter.restore();
}

} // namespace ImageCanvas
