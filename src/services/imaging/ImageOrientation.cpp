#include "services/imaging/ImageOrientation.h"

#include "services/imaging/ImageBuffer.h"

#include <QColorSpace>
#include <QTransform>

namespace {

// The four turns that exchange width and height. For a target pixel (tx, ty) the source
// pixel is x = ty or (w - 1 - ty), y = tx or (h - 1 - tx).
struct AxisSwap
{
    bool mirrorX; // x = w - 1 - ty
    bool mirrorY; // y = h - 1 - tx
};

constexpr AxisSwap kTranspose{false, false};
constexpr AxisSwap kQuarterClockwise{false, true};
constexpr AxisSwap kTransverse{true, true};
constexpr AxisSwap kQuarterAnticlockwise{true, false};

template <typename Pixel> void swapAxes(const QImage& source, QImage& target, AxisSwap swap)
{
    constexpr int kTile = 64; // source columns read per pass stay in the cache
    const int w = source.width();
    const int h = source.height();
    const uchar* bits = source.constBits();
    const qsizetype sourceLine = source.bytesPerLine();
    for (int ty0 = 0; ty0 < w; ty0 += kTile) {
        const int ty1 = qMin(w, ty0 + kTile);
        for (int tx0 = 0; tx0 < h; tx0 += kTile) {
            const int tx1 = qMin(h, tx0 + kTile);
            for (int ty = ty0; ty < ty1; ++ty) {
                const int x = swap.mirrorX ? w - 1 - ty : ty;
                auto* out = reinterpret_cast<Pixel*>(target.scanLine(ty));
                const uchar* column = bits + qsizetype(x) * qsizetype(sizeof(Pixel));
                for (int tx = tx0; tx < tx1; ++tx) {
                    const int y = swap.mirrorY ? h - 1 - tx : tx;
                    out[tx] = *reinterpret_cast<const Pixel*>(column + qsizetype(y) * sourceLine);
                }
            }
        }
    }
}

QImage withSwappedAxes(const QImage& source, AxisSwap swap)
{
    if (source.isNull())
        return source;
    const int depth = source.depth();
    if (depth != 32 && depth != 8) {
        // Uncommon layouts: Qt's own transforms.
        const bool quarter = swap.mirrorX != swap.mirrorY;
        QImage turned = source.transformed(QTransform().rotate(quarter ? (swap.mirrorY ? 90 : 270) : 90));
        return quarter ? turned : std::move(turned).mirrored(!swap.mirrorX, swap.mirrorX);
    }
    QImage target = ImageBuffer::allocate(source.size().transposed(), source.format());
    if (target.isNull())
        return target;
    if (depth == 32)
        swapAxes<quint32>(source, target, swap);
    else
        swapAxes<quint8>(source, target, swap);
    if (source.colorCount() > 0)
        target.setColorTable(source.colorTable());
    target.setColorSpace(source.colorSpace());
    target.setDotsPerMeterX(source.dotsPerMeterY());
    target.setDotsPerMeterY(source.dotsPerMeterX());
    return target;
}

QImage mirrored(QImage image, bool horizontally, bool vertically)
{
    image.mirror(horizontally, vertically); // in place
    return image;
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
        return mirrored(std::move(image), true, false);
    case 3:
        return mirrored(std::move(image), true, true);
    case 4:
        return mirrored(std::move(image), false, true);
    case 5:
        return withSwappedAxes(image, kTranspose);
    case 6:
        return withSwappedAxes(image, kQuarterClockwise);
    case 7:
        return withSwappedAxes(image, kTransverse);
    case 8:
        return withSwappedAxes(image, kQuarterAnticlockwise);
    default:
        return image;
    }
}

QRect storedRect(const QRect& rect, const QSize& upright, int orientation)
{
    // Upright pixel (x, y) comes from the stored picture (w x h as stored) at:
    // 2 (w-1-x, y), 3 (w-1-x, h-1-y), 4 (x, h-1-y), 5 (y, x), 6 (y, h-1-x), 7 (w-1-y, h-1-x),
    // 8 (w-1-y, x).
    const int w = swapsAxes(orientation) ? upright.height() : upright.width();
    const int h = swapsAxes(orientation) ? upright.width() : upright.height();
    const int x = rect.x();
    const int y = rect.y();
    const int rw = rect.width();
    const int rh = rect.height();
    switch (orientation) {
    case 2:
        return QRect(w - x - rw, y, rw, rh);
    case 3:
        return QRect(w - x - rw, h - y - rh, rw, rh);
    case 4:
        return QRect(x, h - y - rh, rw, rh);
    case 5:
        return QRect(y, x, rh, rw);
    case 6:
        return QRect(y, h - x - rw, rh, rw);
    case 7:
        return QRect(w - y - rh, h - x - rw, rh, rw);
    case 8:
        return QRect(w - y - rh, x, rh, rw);
    default:
        return rect;
    }
}

QImage turnBack(QImage image, int orientation)
{
    // Mirrors and the two diagonal mirrors undo themselves; the quarter turns swap.
    switch (orientation) {
    case 6:
        return withSwappedAxes(image, kQuarterAnticlockwise);
    case 8:
        return withSwappedAxes(image, kQuarterClockwise);
    default:
        return turnUpright(std::move(image), orientation);
    }
}

} // namespace ImageOrientation
