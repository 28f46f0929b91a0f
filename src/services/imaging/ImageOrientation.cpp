#include "services/imaging/ImageOrientation.h"

#include <QTransform>

namespace {

// A turn by a multiple of 90 degrees clockwise; QImage uses its fast block rotation for these.
QImage rotated(const QImage& image, int degrees)
{
    return image.transformed(QTransform().rotate(degrees));
}

// Exchanges rows and columns (mirror along the top-left to bottom-right diagonal).
QImage transposed(const QImage& image)
{
    return rotated(image, 90).mirrored(true, false);
}

// Mirror along the top-right to bottom-left diagonal.
QImage transversed(const QImage& image)
{
    return rotated(image, 270).mirrored(true, false);
}

} // namespace

namespace ImageOrientation {

bool swapsAxes(int orientation)
{
    return orientation >= 5 && orientation <= 8;
}

QSize uprightSize(const QSize& stored, int orientation)
{
    return swapsAxes(orientation) ? stored.transposed() : stored;
}

QImage turnUpright(QImage image, int orientation)
{
    switch (orientation) {
    case 2:
        return std::move(image).mirrored(true, false);
    case 3:
        return std::move(image).mirrored(true, true);
    case 4:
        return std::move(image).mirrored(false, true);
    case 5:
        return transposed(image);
    case 6:
        return rotated(image, 90);
    case 7:
        return transversed(image);
    case 8:
        return rotated(image, 270);
    default:
        return image;
    }
}

QImage turnBack(QImage image, int orientation)
{
    // Mirrors and the two diagonal mirrors undo themselves; the quarter turns swap.
    switch (orientation) {
    case 6:
        return rotated(image, 270);
    case 8:
        return rotated(image, 90);
    default:
        return turnUpright(std::move(image), orientation);
    }
}

} // namespace ImageOrientation
