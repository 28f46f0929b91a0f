#include "render/PartedShape.h"

#include "render/CanvasCulling.h"

#include <QPaintDevice>
#include <QPainter>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace PartedShape {

namespace {

// Work (outline elements times pen width plus one) up to which a path is drawn whole: the
// painter's time is still small, and such drawings (all ordinary layers) stay exactly as the
// painter draws them.
constexpr double kMaxWholeWork = 10000;

// Work of one part: small enough for the rasteriser's time to grow in step with it.
constexpr double kMaxPartWork = 1000;

// Rows of the coverage mask held at a time.
constexpr int kBandRows = 256;

// Anti-aliasing reaches one pixel beyond a shape; one more against rounding.
constexpr qreal kAntiAliasMargin = 2;

struct Part
{
    QPainterPath path;
    QRectF box; // in logical coordinates, control points included
};

qreal workFactor(const QPen* pen)
{
    return pen ? pen->widthF() + 1 : 1;
}

// How far a stroke reaches beyond the outline, in logical units.
qreal reach(const QPen* pen)
{
    if (!pen || pen->style() == Qt::NoPen)
        return 0;
    const qreal half = std::max<qreal>(pen->widthF(), 1) / 2;
    // Miter joins reach out to the miter limit; square caps by the half width diagonally.
    const qreal join = pen->joinStyle() == Qt::MiterJoin || pen->joinStyle() == Qt::SvgMiterJoin
                           ? std::max<qreal>(pen->miterLimit(), 1)
                           : 1;
    return half * std::max<qreal>(join, std::numbers::sqrt2);
}

// Splits the path into parts of whole outlines of about kMaxPartWork each. Outlines whose
// boxes overlap the box around the run of overlapping outlines just before them join that run,
// and a part ends only between runs, so that a glyph and its holes, or overlapping glyphs,
// share a part.
std::vector<Part> parts(const QPainterPath& path, const QPen* pen)
{
    std::vector<Part> out;
    const int count = path.elementCount();
    const qreal factor = workFactor(pen);
    Part current;
    current.path.setFillRule(path.fillRule());
    bool started = false; // current has an outline
    QRectF cluster;
    double work = 0;
    int begin = 0;
    while (begin < count) {
        QRectF box;
        const int end = CanvasCulling::subpathEnd(path, begin, box);
        const bool joinsCluster = started && box.left() <= cluster.right() && box.right() >= cluster.left() &&
                                  box.top() <= cluster.bottom() && box.bottom() >= cluster.top();
        if (joinsCluster) {
            cluster.setCoords(std::min(cluster.left(), box.left()), std::min(cluster.top(), box.top()),
                              std::max(cluster.right(), box.right()),
                              std::max(cluster.bottom(), box.bottom()));
        } else {
            if (work >= kMaxPartWork) {
                out.push_back(std::move(current));
                current = Part();
                current.path.setFillRule(path.fillRule());
                started = false;
                work = 0;
            }
            cluster = box;
        }
        if (started)
            current.box.setCoords(
                std::min(current.box.left(), box.left()), std::min(current.box.top(), box.top()),
                std::max(current.box.right(), box.right()), std::max(current.box.bottom(), box.bottom()));
        else
            current.box = box;
        started = true;
        CanvasCulling::copyElements(path, begin, end, current.path);
        work += (end - begin) * factor;
        begin = end;
    }
    if (started)
        out.push_back(std::move(current));
    return out;
}

// A pen for coverage: the pen's geometry in opaque black.
QPen coveragePen(const QPen& pen)
{
    QPen black = pen;
    black.setBrush(Qt::black);
    return black;
}

void rasterise(QPainter& target, const Part& part, const QPen* pen)
{
    if (pen)
        target.strokePath(part.path, coveragePen(*pen));
    else
        target.fillPath(part.path, Qt::black);
}

// Draws the path in parts through coverage bands onto the painter's device.
void drawInParts(QPainter& painter, const QPainterPath& path, const QBrush& brush, const QPen* pen)
{
    const QPaintDevice* device = painter.device();
    if (!device)
        return;
    const QTransform world = painter.worldTransform();
    const QRect deviceRect(0, 0, device->width(), device->height());
    const qreal margin = reach(pen) + kAntiAliasMargin;

    std::vector<Part> pieces = parts(path, pen);
    std::vector<QRect> boxes;
    boxes.reserve(pieces.size());
    QRect region;
    for (const Part& part : pieces) {
        const QRectF mapped =
            world.mapRect(part.box.adjusted(-margin, -margin, margin, margin)) & QRectF(deviceRect);
        const QRect box = mapped.isEmpty() ? QRect() : mapped.toAlignedRect() & deviceRect;
        boxes.push_back(box);
        region |= box;
    }
    // Premultiplied ARGB rasterises several times faster than 8-bit alpha.
    paintInBands(painter, region, QImage::Format_ARGB32_Premultiplied, brush,
                 [&](QPainter& coverage, const QRect& rows) {
                     coverage.setRenderHint(QPainter::Antialiasing);
                     coverage.setTransform(world * QTransform::fromTranslate(-rows.left(), -rows.top()));
                     for (size_t i = 0; i < pieces.size(); ++i) {
                         if (boxes[i].intersects(rows))
                             rasterise(coverage, pieces[i], pen);
                     }
                 });
}

bool drawnWhole(const QPainterPath& path, const QPen* pen)
{
    return path.elementCount() * workFactor(pen) <= kMaxWholeWork;
}

} // namespace

void fill(QPainter& painter, const QPainterPath& path, const QBrush& brush)
{
    if (drawnWhole(path, nullptr)) {
        painter.fillPath(path, brush);
        return;
    }
    if (brush.style() == Qt::NoBrush)
        return;
    drawInParts(painter, path, brush, nullptr);
}

void stroke(QPainter& painter, const QPainterPath& path, const QPen& pen)
{
    if (drawnWhole(path, &pen) || pen.style() != Qt::SolidLine) {
        painter.strokePath(path, pen);
        return;
    }
    drawInParts(painter, path, pen.brush(), &pen);
}

void addCoverage(QImage& coverage, const QTransform& transform, const QPainterPath& path, const QPen* pen)
{
    if (coverage.isNull())
        return;
    QPainter painter(&coverage);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(transform);
    const QRectF bounds(coverage.rect());
    const qreal margin = reach(pen) + kAntiAliasMargin;
    for (const Part& part : parts(path, pen)) {
        if (transform.mapRect(part.box).adjusted(-margin, -margin, margin, margin).intersects(bounds))
            rasterise(painter, part, pen);
    }
}

void paintThrough(QPainter& painter, const QImage& coverage, const QPoint& topLeft, const QBrush& brush)
{
    if (coverage.isNull() || brush.style() == Qt::NoBrush)
        return;
    QImage layer(coverage.size(), QImage::Format_ARGB32_Premultiplied);
    if (layer.isNull())
        return;
    const bool solid = brush.style() == Qt::SolidPattern;
    layer.fill(solid ? brush.color() : QColor(Qt::transparent));
    {
        QPainter colour(&layer);
        if (!solid) {
            // The brush in the painter's logical coordinates, as a fill there would show it.
            const QTransform toLayer =
                painter.worldTransform() * QTransform::fromTranslate(-topLeft.x(), -topLeft.y());
            bool invertible = false;
            const QTransform fromLayer = toLayer.inverted(&invertible);
            if (invertible) {
                colour.setTransform(toLayer);
                colour.fillRect(fromLayer.mapRect(QRectF(layer.rect())), brush);
                colour.resetTransform();
            }
        }
        colour.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        colour.drawImage(0, 0, coverage);
    }
    painter.save();
    painter.resetTransform();
    painter.drawImage(topLeft, layer);
    painter.restore();
}

void paintInBands(QPainter& painter, const QRect& area, QImage::Format format, const QBrush& brush,
                  const std::function<void(QPainter& coverage, const QRect& rows)>& drawCoverage)
{
    if (area.isEmpty())
        return;
    QImage band(area.width(), std::min(kBandRows, area.height()), format);
    if (band.isNull())
        return;
    for (int top = area.top(); top <= area.bottom(); top += band.height()) {
        const QRect rows(area.left(), top, area.width(), std::min(band.height(), area.bottom() + 1 - top));
        band.fill(Qt::transparent);
        {
            QPainter coverage(&band);
            drawCoverage(coverage, rows);
        }
        paintThrough(painter,
                     rows.height() == band.height() ? band : band.copy(0, 0, rows.width(), rows.height()),
                     rows.topLeft(), brush);
    }
}

} // namespace PartedShape
