#pragma once

class QColor;
class QPainter;
class QPainterPath;

namespace TextDesigner {

// The rings of the diffused shadow drawn straight into the painter's image.
//
// A pen of width w with round joins covers what lies within w / 2 of a closed path, so each
// pixel's share of every ring follows from its distance to the outline and the direction of
// the outline there (the area of the pixel inside the band); pens of at most one device pixel
// follow the painter's hairlines instead, which share each step between two pixels. One pass
// over the outline's segments finds the distances, and every pixel is blended once with the
// alpha that the rings, drawn one over the other, would leave. Stroking each ring with the
// painter costs a full anti-aliased rasterisation per ring, many times more for text outlines.
// The result matches the painter's strokes to a few levels out of 255 for faint shadows; with
// dense colours single pixels differ more where the painter approximates curved offsets.
namespace ShadowRings {

// Draws `rings` strokes of `path` in `colour`, with pen widths 1, 2, ..., rings (logical
// units), round joins, source-over, in the painter's current transform. Returns false, having
// drawn nothing, when the painter's state needs its own strokes: it draws on something other
// than an RGB32 or premultiplied ARGB32 image, clips, blends other than source-over, paints
// translucently, draws without anti-aliasing, or its transform is not a rotation with uniform
// scaling; or the path has an open subpath (whose flat ends a distance does not describe).
bool draw(QPainter& painter, const QPainterPath& path, const QColor& colour, int rings);

} // namespace ShadowRings

} // namespace TextDesigner
