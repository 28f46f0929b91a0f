#include "render/SweptFill.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QRectF>
#include <QTransform>

#include <algorithm>
#include <cmath>

#include "render/PartedShape.h"

namespace SweptFill {

namespace {

// Copies rasterised into the mask when one does not do; the mask is widened by the distance
// between them.
constexpr qint64 kMaxRenderedCopies = 8;

// Anti-aliasing reaches one pixel beyond a shape; one more against rounding.
constexpr qreal kAntiAliasMargin = 2;

QRectF wholePixels(const QRectF& rect)
{
    return QRectF(QPointF(std::floor(rect.left()), std::floor(rect.top())),
                  QPointF(std::ceil(rect.right()), std::ceil(rect.bottom())));
}

// Lays mask(x - dx, y - dy) over mask(x, y) for every pixel, as one anti-aliased fill laid
// over another leaves it: a + b - a b. |dy| >= 1.
void layOver(QImage& mask, int dx, int dy)
{
    const int width = mask.width();
    const int height = mask.height();
    if (std::abs(dx) >= width || std::abs(dy) >= height)
        return;
    const int x0 = std::max(0, dx);
    const int x1 = std::min(width, width + dx);
    // Rows are visited so that the row read has not been written yet.
    for (int i = 0; i < height - std::abs(dy); ++i) {
        const int y = dy > 0 ? height - 1 - i : i;
        uchar* row = mask.scanLine(y);
        const uchar* from = mask.constScanLine(y - dy);
        for (int x = x0; x < x1; ++x) {
            const unsigned a = row[x];
            const unsigned b = from[x - dx];
            row[x] = uchar(a + b - (a * b + 127) / 255);
        }
    }
}

// Widens the mask along the diagonal `step`: every pixel takes the coverage of the pixels
// 0 .. extra steps back laid over one another, the strides doubling so that a few passes do.
void widen(QImage& mask, const QPoint& step, qint64 extra)
{
    const qint64 total = extra + 1;
    qint64 covered = 1;
    const qint64 limit = std::max(mask.width(), mask.height());
    while (covered < total && covered <= limit) {
        const qint64 shift = std::min(covered, total - covered);
        layOver(mask, int(step.x() * shift), int(step.y() * shift));
        covered += shift;
    }
}

} // namespace

void fill(QPainter& painter, const QPainterPath& path, const QPoint& step, qint64 steps, const QBrush& brush)
{
    const QPaintDevice* device = painter.device();
    if (!device || path.isEmpty() || steps < 0 || std::abs(step.x()) != 1 || std::abs(step.y()) != 1)
        return;
    const QTransform world = painter.worldTransform();
    bool invertible = false;
    const QTransform toLogical = world.inverted(&invertible);
    if (!invertible)
        return;
    const QRectF deviceRect(0, 0, device->width(), device->height());
    const qreal margin = kAntiAliasMargin;

    // The copies lie within the box swept by the path; only the part of it on the device is
    // needed, with the part of the path's own box from which copies reach that part.
    const QRectF box = path.controlPointRect().adjusted(-margin, -margin, margin, margin);
    const QPointF way = QPointF(step) * qreal(steps);
    const QRectF swept = box | box.translated(way);
    const QRectF shown = toLogical.mapRect(deviceRect).adjusted(-margin, -margin, margin, margin) & swept;
    if (shown.isEmpty())
        return;
    const QRectF sources = box & (shown | shown.translated(-way));
    if (sources.isEmpty())
        return;
    // One copy rasterised and widened over all the steps; when that mask would be too large
    // (a huge text reaching the device from far away), copies `group` steps apart, each widened
    // over the steps to the next, which needs the sources `group - 1` steps back only.
    qint64 group = steps + 1;
    QRectF region = wholePixels(shown | sources);
    if (region.width() * region.height() > kMaxMaskPixels) {
        group = std::max<qint64>(1, (steps + kMaxRenderedCopies) / kMaxRenderedCopies);
        region = wholePixels(shown | shown.translated(-QPointF(step) * qreal(group - 1)));
    }

    const double area = region.width() * region.height();
    const qreal scale = area > kMaxMaskPixels ? std::sqrt(kMaxMaskPixels / area) : 1;
    const QSize size(static_cast<int>(std::ceil(region.width() * scale)),
                     static_cast<int>(std::ceil(region.height() * scale)));
    if (size.isEmpty())
        return;
    QImage mask(size, QImage::Format_Alpha8);
    if (mask.isNull())
        return;
    mask.fill(0);
    const QTransform toMask =
        QTransform::fromTranslate(-region.left(), -region.top()) * QTransform::fromScale(scale, scale);

    // Copies 0, group, 2 group, ... and the last group ending at the last copy.
    for (qint64 k = 0;; k += group) {
        const qint64 copy = std::min(k, std::max<qint64>(0, steps - (group - 1)));
        const QPointF shift = QPointF(step) * qreal(copy);
        if (box.translated(shift).intersects(region))
            PartedShape::addCoverage(mask, toMask, path.translated(shift));
        if (copy + group - 1 >= steps)
            break;
    }
    widen(mask, step, std::llround((group - 1) * scale));

    // Paint the brush through the mask, moved onto the device, a band of rows at a time.
    const QTransform maskToDevice = toMask.inverted() * world;
    const QRect target = maskToDevice.mapRect(QRectF(mask.rect())).toAlignedRect() & deviceRect.toRect();
    PartedShape::paintInBands(
        painter, target, QImage::Format_Alpha8, brush, [&](QPainter& placing, const QRect& rows) {
            placing.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
            placing.setTransform(maskToDevice * QTransform::fromTranslate(-rows.left(), -rows.top()));
            placing.drawImage(0, 0, mask);
        });
}

} // namespace SweptFill
