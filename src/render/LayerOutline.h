#pragma once

#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>

struct TextFieldValues;
struct WatermarkConf;

// Where the parts of a layer lie on a canvas, worked out as the painters place them: for the
// template editor, which lets a person take a part by its box, and for the notices that say
// when a layer's drawing leaves the photo.
struct LayerOutline
{
    bool drawn = false; // false when the part draws nothing (no picture, a zero size)
    QPointF anchor;     // the box's top-left point, which the part turns about
    QSizeF size;        // the box before the turn
    qreal rotation = 0; // degrees the layer stores (the part turns by -rotation)
    QRectF ink;         // the canvas bounds of everything the part draws, effects included

    // The box's four corners after the turn: top-left, top-right, bottom-right, bottom-left.
    QPolygonF corners() const;
};

namespace LayerOutlines {

// The text part (the text as the record holds it; fill fields beforehand). The ink covers the
// glyphs with their outline, shadow and 3D copies; the repetition over the canvas, which is
// cut at the edges by design, is not part of it.
LayerOutline text(const WatermarkConf& conf, const QSize& canvas);
// The picture part, for a picture of `own` pixels.
LayerOutline picture(const WatermarkConf& conf, const QSize& own, const QSize& canvas);

// True when some of the layer's drawing lies outside the canvas (text fields filled from
// `fields` when given and the layer holds fields; a picture that cannot be read is left out).
bool liesOutside(const WatermarkConf& conf, const QSize& canvas, qint64 pixelLimit,
                 const TextFieldValues* fields = nullptr);

// The names of the template's layers, in drawing order, whose drawing lies partly outside a
// canvas of that size. Layers that cannot be read are left out (drawTemplate names them).
QStringList layersOutside(const QString& templateName, const QSize& canvas, qint64 pixelLimit,
                          const std::function<TextFieldValues()>& fieldValues = {});

} // namespace LayerOutlines
