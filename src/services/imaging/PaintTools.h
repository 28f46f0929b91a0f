#pragma once

#include <QBrush>
#include <QColor>
#include <QPen>
#include <QPointF>
#include <QRgb>

// Colours, pens and brushes as the layers use them.
namespace PaintTools {

// A stored colour (red + 256 x green + 65536 x blue) with an alpha (its low byte counts)
// as a 32-bit ARGB value.
QRgb argbFromColorRef(quint32 colorRef, int alpha);
QColor colorFromColorRef(quint32 colorRef, int alpha);

// A pen whose width is in world units (canvas pixels before any transform), with round
// joins and flat caps; the stroke is centred on the outline.
QPen roundJoinPen(const QColor& color, qreal width);

QBrush solidBrush(const QColor& color);

// A linear gradient from `from` (colour begin) to `to` (colour end) that repeats beyond
// both ends. Equal points give no brush (Qt::NoBrush), so nothing is painted.
QBrush tiledLinearGradient(const QPointF& from, const QPointF& to, const QColor& begin, const QColor& end);

// The dark downward diagonal hatch (style 20): lines two pixels wide running from top left to
// bottom right, four pixels apart, in the foreground colour over the background colour.
// With both colours equal it paints solid.
QBrush darkDownwardDiagonalHatch(const QColor& foreground, const QColor& background);

} // namespace PaintTools
