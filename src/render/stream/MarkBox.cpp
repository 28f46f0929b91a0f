#include "render/stream/MarkBox.h"

#include <QImage>

#include <cmath>

#include "model/LayerFiles.h"
#include "model/WatermarkConf.h"
#include "model/WatermarkTemplate.h"
#include "render/LayerOutline.h"
#include "render/PictureLayerPainter.h"
#include "render/TextFieldValues.h"
#include "render/TextFields.h"

namespace {

// Anti-aliasing, smooth picture scaling and the rounding of blurred shadows reach a little
// beyond the outlines; the margin is kept generous, as a pixel too many costs nothing.
constexpr qreal kMargin = 8;

QRectF grown(const QRectF& ink)
{
    return ink.adjusted(-kMargin, -kMargin, kMargin, kMargin);
}

} // namespace

namespace MarkBox {

std::optional<QRect> of(const QString& templateName, const QSize& canvas, qint64 pixelLimit,
                        const std::function<TextFieldValues()>& fieldValues,
                        const std::optional<QString>& layerText)
{
    WatermarkTemplate tmpl;
    if (!loadWatermarkTemplate(templateName, tmpl))
        return std::nullopt;
    std::optional<TextFieldValues> fields;
    QRectF ink;
    WatermarkConf conf;
    // The layers as drawTemplate reads and fills them.
    for (const QString& layer : std::as_const(tmpl.layers)) {
        if (!LoadLayerConf(layer, conf))
            return std::nullopt;
        if (conf.BCoverImage != 0)
            return std::nullopt;
        WatermarkConf shown = conf;
        if (layerText && !shown.textContent.isEmpty()) {
            shown.textContent = *layerText;
            shown.BTextTokens = 1;
        }
        if (shown.BTextTokens != 0) {
            if (!fields)
                fields = fieldValues ? fieldValues() : TextFieldValues();
            shown.textContent = TextFields::fill(shown.textContent, *fields);
            if (shown.textContent.isEmpty())
                shown.textContent = QStringLiteral(" ");
            shown.BTextTokens = 0;
        }
        const LayerOutline words = LayerOutlines::text(shown, canvas);
        if (words.drawn)
            ink |= grown(words.ink);
        if (shown.ImagePathName.isEmpty())
            continue;
        QImage picture;
        if (!PictureLayerPainter::load(shown.ImagePathName, pixelLimit, picture))
            return std::nullopt;
        const LayerOutline mark = LayerOutlines::picture(shown, picture.size(), canvas);
        if (mark.drawn)
            ink |= grown(mark.ink);
    }
    if (ink.isEmpty())
        return QRect();
    if (!std::isfinite(ink.left()) || !std::isfinite(ink.top()) || !std::isfinite(ink.right()) ||
        !std::isfinite(ink.bottom()))
        return std::nullopt;
    const QRectF photo(QPointF(0, 0), QSizeF(canvas));
    const QRectF inside = ink & photo;
    if (inside.isEmpty())
        return QRect();
    const QRect box(QPoint(int(std::floor(inside.left())), int(std::floor(inside.top()))),
                    QPoint(int(std::ceil(inside.right())) - 1, int(std::ceil(inside.bottom())) - 1));
    return box & QRect(QPoint(0, 0), canvas);
}

} // namespace MarkBox
