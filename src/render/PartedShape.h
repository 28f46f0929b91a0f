#pragma once

#include <QBrush>
#include <QImage>
#include <QPainterPath>
#include <QPen>
#include <QPoint>
#include <QTransform>

#include <functional>

class QPainter;
class QRect;

// Filling and stroking paths of many outlines (long texts) and strokes with wide pens in a
// time that grows with the size of the drawing only.
//
// The painter's anti-aliasing rasteriser takes time that grows much faster than the number
// of outline edges once many edges share a scanline: one stroke of a few hundred glyphs with
// a pen a few glyphs wide takes seconds, the same glyphs stroked one by one milliseconds.
// Large paths are therefore drawn in parts: groups of whole outlines, each rasterised on its
// own into a coverage mask (a band of rows at a time, so memory stays small), and the colour
// is then painted through the mask once. Outlines whose boxes overlap (a glyph and its holes)
// stay in one part, so fill rules work as for the whole path; the parts' masks are laid one
// over the other, so overlapping strokes are painted once, as by the painter.
// Only where edges of two parts cross within one pixel can the anti-aliasing differ slightly.
//
// Small paths (every ordinary layer) are drawn whole by the painter, exactly as it draws them.
namespace PartedShape {

// Fills the path with the brush, as QPainter::fillPath does.
void fill(QPainter& painter, const QPainterPath& path, const QBrush& brush);

// Strokes the path with the pen, as QPainter::strokePath does.
void stroke(QPainter& painter, const QPainterPath& path, const QPen& pen);

// Adds the coverage of the path, filled (no pen) or stroked with the pen's width, joins and
// caps, to the alpha of an image (Format_Alpha8, or premultiplied ARGB that is transparent
// elsewhere) in the image's coordinates given by `transform`, part by part.
void addCoverage(QImage& coverage, const QTransform& transform, const QPainterPath& path,
                 const QPen* pen = nullptr);

// Paints the brush (in the painter's logical coordinates) through the alpha of a coverage
// image lying at `topLeft` in device pixels.
void paintThrough(QPainter& painter, const QImage& coverage, const QPoint& topLeft, const QBrush& brush);

// Paints the brush through a coverage picture of `area` (device pixels) in `format`, made a band
// of rows at a time so that memory stays small: `drawCoverage` draws each band with a painter on
// a transparent band image whose top-left pixel is `rows`' top-left.
void paintInBands(QPainter& painter, const QRect& area, QImage::Format format, const QBrush& brush,
                  const std::function<void(QPainter& coverage, const QRect& rows)>& drawCoverage);

} // namespace PartedShape
