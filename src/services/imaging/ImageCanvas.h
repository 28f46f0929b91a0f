#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

class QPainter;

// Canvases and picture drawing. Canvases are 32-bit ARGB, premultiplied, which is what
// QPainter draws fastest; the encoders take them as they are.
namespace ImageCanvas {

constexpr QImage::Format kFormat = QImage::Format_ARGB32_Premultiplied;

// A transparent canvas; a null image when the size is empty or memory runs out.
QImage create(const QSize& size);

// A canvas of the given size with the whole photo scaled into it, the same pixels as drawing
// the photo scaled onto a transparent canvas but without a second full-size buffer.
QImage fromPhoto(QImage photo, const QSize& size);

// The picture scaled to size with a high-quality filter (area averaging when shrinking,
// bilinear when enlarging). Returns the picture itself when the size already matches.
QImage scaledHighQuality(const QImage& picture, const QSize& size);

// The picture laid onto white, as a window with a white page shows it: an opaque RGB32 copy
// for formats that store no alpha. A picture without an alpha channel is returned as it is.
QImage onWhite(const QImage& picture);

// True when some pixel of a 32-bit picture is not fully opaque; false for a picture without
// an alpha channel.
bool hasTransparency(const QImage& picture);

// Draws the whole photo scaled into target (high-quality filter).
void drawPhotoScaled(QPainter& painter, const QImage& photo, const QRect& target);

// Draws the whole picture scaled into target with every pixel's alpha multiplied by
// alphaScale (0 draws nothing, 1 draws it as it is, above 1 makes translucent pixels more
// opaque up to fully opaque). Follows the painter's transform.
void drawPictureAlphaScaled(QPainter& painter, const QImage& picture, const QRect& target, qreal alphaScale);

} // namespace ImageCanvas
