#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

struct TextFieldValues;

// The part of a photo that a template's drawing can change, worked out from where its layers
// lie (see LayerOutlines) without drawing them, so that only that part needs to be held and
// drawn on.
namespace MarkBox {

// The rectangle of a canvas of `canvas` pixels outside which WatermarkCompositor::drawTemplate,
// given the same arguments, leaves every pixel as it was: every layer's ink, grown by a margin
// for anti-aliasing and rounded out to whole pixels, within the canvas; empty when nothing is
// drawn. Nothing when that cannot be known beforehand: a text repeated over the canvas, or a
// template, layer or picture that cannot be read (drawTemplate then says which).
std::optional<QRect> of(const QString& templateName, const QSize& canvas, qint64 pixelLimit,
                        const std::function<TextFieldValues()>& fieldValues,
                        const std::optional<QString>& layerText);

} // namespace MarkBox
