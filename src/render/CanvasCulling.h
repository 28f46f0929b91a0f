#pragma once

#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QTransform>

// Skipping drawing that cannot reach the canvas. Boxes are given in the painter's logical
// coordinates and mapped to the device with its world transform; `margin` (device pixels)
// covers pen widths and anti-aliasing. Skipping never changes a pixel: only shapes whose
// bounding box lies wholly outside the device are left out.
namespace CanvasCulling {

// True when the box, mapped to the device and grown by margin, meets the device rectangle.
bool touches(const QTransform& world, const QRectF& box, qreal margin, const QRectF& device);

// For copies of `box` shifted by k * step (logical units), k = first..last: narrows
// [first, last] to the copies that may meet the device (a range a little larger than the
// exact one, never smaller). Returns false, leaving the range alone, when none can.
bool narrowSteps(const QTransform& world, const QRectF& box, const QPointF& step, qreal margin,
                 const QRectF& device, qint64& first, qint64& last);

// The same for a box already in device coordinates, shifted by k * deviceStep.
bool narrowDeviceSteps(const QRectF& deviceBox, const QPointF& deviceStep, const QRectF& device,
                       qint64& first, qint64& last);

// The end (one past the last element) of the subpath of `path` that starts at element `begin`,
// with the box of its points, control points included, in `box`.
int subpathEnd(const QPainterPath& path, int begin, QRectF& box);

// Replays the elements [begin, end) of `path` into `into`.
void copyElements(const QPainterPath& path, int begin, int end, QPainterPath& into);

// The subpaths of `path` (glyph outlines, say) whose boxes, control points included and grown
// by the margin, may meet the device when moved by `from`, by `to` or by anything on the
// straight way between (logical units). A subpath adds nothing to the fill of points outside
// its box, nor to a stroke beyond half the pen's width, so drawing the result, moved anywhere
// on that way, leaves the same pixels as drawing the whole path. Returns `path` itself when
// every subpath is kept.
QPainterPath visibleSubpaths(const QPainterPath& path, const QTransform& world, qreal margin,
                             const QRectF& device, const QPointF& from = QPointF(),
                             const QPointF& to = QPointF());

} // namespace CanvasCulling
