#include "render/LayerOutline.h"

#include <QImageReader>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <optional>

#include "model/LayerFiles.h"
#include "model/WatermarkConf.h"
#include "model/WatermarkTemplate.h"
#include "render/DrawingLimits.h"
#include "render/LayerPlacement.h"
#include "render/PictureLayerPainter.h"
#include "render/TextFieldValues.h"
#include "render/TextFields.h"
#include "render/TextLayerPainter.h"

namespace {

// Anti-aliasing reaches about one pixel beyond a shape; a part that only touches the edge
// with its softened rim is not outside.
constexpr qreal kTolerance = 1;

constexpr int kDepthSteps[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};

QTransform turnAbout(const QPointF& anchor, qreal rotation)
{
    QTransform turn;
    turn.translate(anchor.x(), anchor.y());
    turn.rotate(-rotation);
    turn.translate(-anchor.x(), -anchor.y());
    return turn;
}

} // namespace

QPolygonF LayerOutline::corners() const
{
    const QRectF box(anchor, size);
    return turnAbout(anchor, rotation)
        .map(QPolygonF({box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft()}));
}

namespace LayerOutlines {

LayerOutline text(const WatermarkConf& conf, const QSize& canvas)
{
    const TextLayerPainter::Layout layout = TextLayerPainter::layout(conf, canvas);
    LayerOutline outline;
    outline.anchor = layout.anchor;
    outline.size = layout.size;
    outline.rotation = conf.Rotation;
    const bool filled = conf.BFillText != 0 || conf.BGradientText != 0;
    outline.drawn = layout.glyphs.isValid() &&
                    (filled || conf.BDrawEdge != 0 || conf.BAddShadow != 0 || conf.B3DText != 0);
    if (!outline.drawn)
        return outline;
    QRectF ink = layout.glyphs;
    if (conf.BDrawEdge != 0) {
        const qreal pen = std::clamp<qreal>(conf.EdgeLineThickness, 0, DrawingLimits::kMaxPenWidth) / 2;
        ink.adjust(-pen, -pen, pen, pen);
    }
    if (conf.B3DText != 0 && conf.TDTextPos >= 0 && conf.TDTextPos <= 3 && conf.TDTextOffset > 0) {
        const qreal reach = qreal(std::min(conf.TDTextOffset, 1000)) + 1;
        ink |= layout.glyphs.translated(kDepthSteps[conf.TDTextPos][0] * reach,
                                        kDepthSteps[conf.TDTextPos][1] * reach);
    }
    if (conf.BAddShadow != 0) {
        const qreal blur = (std::clamp(conf.ShadowBR, -8, DrawingLimits::kMaxShadowRings - 8) + 8) / 2.0;
        ink |= layout.glyphs.translated(conf.ShadowH, conf.ShadowV).adjusted(-blur, -blur, blur, blur);
    }
    outline.ink = turnAbout(layout.anchor, conf.Rotation).mapRect(ink);
    return outline;
}

LayerOutline picture(const WatermarkConf& conf, const QSize& own, const QSize& canvas)
{
    LayerOutline outline;
    const QSize size = PictureLayerPainter::drawnSize(conf, own, canvas);
    outline.anchor =
        LayerPlacement::pictureAnchor(conf.ImageLocation, canvas, size, conf.ImageOffsetH, conf.ImageOffsetV);
    // The painter draws from whole pixels.
    outline.anchor = QPointF(std::trunc(outline.anchor.x()), std::trunc(outline.anchor.y()));
    outline.size = QSizeF(size);
    outline.rotation = conf.ImageRotation;
    outline.drawn = !size.isEmpty() && conf.ImageTransparency > 0;
    if (outline.drawn)
        outline.ink = outline.corners().boundingRect();
    return outline;
}

bool liesOutside(const WatermarkConf& conf, const QSize& canvas, qint64 pixelLimit,
                 const TextFieldValues* fields)
{
    const QRectF inside =
        QRectF(QPointF(0, 0), QSizeF(canvas)).adjusted(-kTolerance, -kTolerance, kTolerance, kTolerance);
    WatermarkConf shown = conf;
    if (conf.BTextTokens != 0) {
        shown.textContent = TextFields::fill(conf.textContent, fields ? *fields : TextFieldValues());
        if (shown.textContent.isEmpty())
            shown.textContent = QStringLiteral(" ");
    }
    const LayerOutline words = text(shown, canvas);
    if (words.drawn && !inside.contains(words.ink))
        return true;
    if (conf.ImagePathName.isEmpty())
        return false;
    // The picture's own size from its header; the painter shows it at that size unless the
    // layer sets one.
    QImageReader reader(conf.ImagePathName);
    const QSize own = reader.size();
    if (own.isEmpty() || qint64(own.width()) * own.height() > pixelLimit)
        return false;
    const LayerOutline mark = picture(conf, own, canvas);
    return mark.drawn && !inside.contains(mark.ink);
}

QStringList layersOutside(const QString& templateName, const QSize& canvas, qint64 pixelLimit,
                          const std::function<TextFieldValues()>& fieldValues)
{
    QStringList names;
    WatermarkTemplate tmpl;
    if (!loadWatermarkTemplate(templateName, tmpl))
        return names;
    std::optional<TextFieldValues> fields;
    WatermarkConf conf;
    for (const QString& layer : std::as_const(tmpl.layers)) {
        if (!LoadLayerConf(layer, conf))
            continue;
        if (conf.BTextTokens != 0 && !fields)
            fields = fieldValues ? fieldValues() : TextFieldValues();
        if (liesOutside(conf, canvas, pixelLimit, fields ? &*fields : nullptr))
            names.append(layer);
    }
    return names;
}

} // namespace LayerOutlines
