#pragma once

#include <QBrush>
#include <QPainterPath>
#include <QPoint>

class QPainter;

// Filling the region that a filled path passes over while it moves step by step along a
// diagonal: the union of the copies of the path moved by k * step for k = 0 .. steps, as a
// long stack of 3D copies covers it. Filling the copies one by one costs once per copy, and
// thousands of copies of a large text take minutes; here the cost grows with the area only.
//
// The path's coverage is rasterised into an 8-bit mask in the painter's logical coordinates,
// where every step is one pixel along a diagonal; the mask is widened along the diagonal,
// every pixel taking the coverage of the pixels up to `steps` back laid over one another (in
// doubling strides, so in a handful of passes), and the brush is painted through it onto the
// device, resampled when the text is turned. Up to rounding this is the picture the copies
// give; where a stride overlaps the one before, some copies count twice, which darkens faint
// edge pixels only. The path is rasterised once, or, when the mask would then have to reach
// far beyond the device (a large text coming in from far away), at every group of steps, the
// mask being widened over one group. A mask over kMaxMaskPixels is made coarser and enlarged.
namespace SweptFill {

constexpr double kMaxMaskPixels = 32.0e6;

// `step` is one of (-1, -1), (1, -1), (-1, 1), (1, 1) in logical units.
void fill(QPainter& painter, const QPainterPath& path, const QPoint& step, qint64 steps, const QBrush& brush);

} // namespace SweptFill
