#include "render/TextLayerPainter.h"

#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/WatermarkConf.h"
#include "render/CanvasCulling.h"
#include "render/DrawingLimits.h"
#include "render/LayerPlacement.h"
#include "render/PartedShape.h"
#include "render/SweptFill.h"
#include "render/TextAutoScale.h"
#include "services/imaging/DrawingState.h"
#include "services/imaging/PaintTools.h"
#include "services/imaging/text/DrawingFont.h"
#include "services/imaging/text/StringFormat.h"
#include "services/imaging/text/StringLayout.h"
#include "textdesigner/OutlineText.h"
#include "textdesigner/TextDesignerTypes.h"

namespace {

// Anti-aliasing reaches one pixel beyond a shape; one more against rounding.
constexpr qreal kAntiAliasMargin = 2;

// The direction of the 3D copies by TDTextPos: up-left, up-right, down-left, down-right.
constexpr int kDepthSteps[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};

bool isOn(std::int32_t flag)
{
    return flag != 0;
}

// The pen width for an outline thickness on text of the given em size (see DrawingLimits).
qreal penWidth(std::int32_t thickness, qreal emSize)
{
    const qreal bound = std::clamp<qreal>(DrawingLimits::kMaxPenWidthPerEm * emSize,
                                          DrawingLimits::kPenWidthFloor, DrawingLimits::kMaxPenWidth);
    return std::min<qreal>(std::clamp<std::int32_t>(thickness, 0, DrawingLimits::kMaxPenWidth), bound);
}

// `point` truncated towards zero to whole pixels; false when a coordinate is not a finite
// number within the int range.
bool wholePixels(const QPointF& point, QPoint& whole)
{
    const qreal x = std::trunc(point.x());
    const qreal y = std::trunc(point.y());
    constexpr qreal low = std::numeric_limits<int>::min();
    constexpr qreal high = std::numeric_limits<int>::max();
    if (!(x >= low && x <= high && y >= low && y <= high))
        return false;
    whole = QPoint(static_cast<int>(x), static_cast<int>(y));
    return true;
}

// Everything a text layer draws with, worked out before the first stroke.
struct TextLayer
{
    QString text;
    DrawingFont font;
    QPointF anchor;      // top-left of the text box, offsets included
    QSizeF size;         // measured width tw and height th
    QPainterPath path;   // the glyph outlines laid out from the anchor
    QPainterPath origin; // the same laid out from (0, 0), for the copies
    QRectF originBounds; // bounding box of `origin`
};

class Drawer
{
public:
    Drawer(QPainter& painter, const WatermarkConf& conf, const QSize& canvas)
        : m_painter(painter), m_conf(conf), m_canvas(canvas),
          m_device(0, 0, painter.device() ? painter.device()->width() : 0,
                   painter.device() ? painter.device()->height() : 0)
    {
    }

    void draw();

private:
    bool visible(const QRectF& box, qreal margin) const
    {
        return CanvasCulling::touches(m_painter.worldTransform(), box, margin, m_device);
    }

    // The glyphs of the text that may show with the margin; the whole path when all may.
    QPainterPath shownPath(qreal margin) const
    {
        return CanvasCulling::visibleSubpaths(m_layer.path, m_painter.worldTransform(), margin, m_device);
    }

    void prepare();
    void drawShadow();
    void drawOutline();
    void drawDepthCopies();
    void drawCoverCopies();

    QPainter& m_painter;
    const WatermarkConf& m_conf;
    QSize m_canvas;
    QRectF m_device;
    TextLayer m_layer;
    QBrush m_textBrush;
    QBrush m_gradientBrush;
    QBrush m_hatchBrush;
};

void Drawer::prepare()
{
    m_layer.text = m_conf.textContent.isEmpty() ? QStringLiteral(" ") : m_conf.textContent;
    const LOGFONTW record =
        isOn(m_conf.ScaleTextWT) ? AutoScaledFont(m_conf.Font, m_layer.text, m_canvas) : m_conf.Font;
    m_layer.font = DrawingFont::fromLogFont(record);

    const StringFormat& typographic = StringFormat::genericTypographic();
    m_layer.size = MeasureString(m_layer.font, m_layer.text, QRectF(0, 0, 100000, 1000), &typographic);
    m_layer.anchor =
        LayerPlacement::textAnchor(m_conf.Location, m_canvas, m_layer.size, m_conf.OffsetH, m_conf.OffsetV);

    m_layer.origin = TextPathAt(m_layer.font, m_layer.text, QPointF(0, 0), &typographic);
    m_layer.origin.setFillRule(Qt::OddEvenFill);
    m_layer.originBounds = m_layer.origin.boundingRect();
    m_layer.path = m_layer.origin.translated(m_layer.anchor);

    m_textBrush =
        PaintTools::solidBrush(PaintTools::colorFromColorRef(m_conf.TextColor, m_conf.Transparency));
    if (isOn(m_conf.BGradientText)) {
        const qreal x = m_layer.anchor.x();
        const qreal y = m_layer.anchor.y();
        const QPointF from(std::trunc(x), std::trunc(y));
        const QPointF to(std::trunc(x + m_layer.size.width()), std::trunc(y + m_layer.size.height()));
        m_gradientBrush = PaintTools::tiledLinearGradient(
            from, to, PaintTools::colorFromColorRef(m_conf.GradientBeginColor, m_conf.Transparency),
            PaintTools::colorFromColorRef(m_conf.GradientEndColor, m_conf.Transparency));
    }
    if (isOn(m_conf.B3DText)) {
        const QColor depth = PaintTools::colorFromColorRef(m_conf.TDTextColor, 255);
        m_hatchBrush = PaintTools::darkDownwardDiagonalHatch(depth, depth);
    }
}

void Drawer::drawShadow()
{
    const int rings = std::clamp(m_conf.ShadowBR, -8, DrawingLimits::kMaxShadowRings - 8) + 8;
    const QPointF offset(m_conf.ShadowH, m_conf.ShadowV);
    // The engine places the shadowed text at whole pixels. An anchor beyond the int range
    // (a font height of billions of pixels, or offsets at the ends of their range) has no such
    // place: the shadow is left out rather than drawn somewhere else.
    QPoint point;
    if (!wholePixels(m_layer.anchor, point))
        return;
    const QRectF shadowBox = m_layer.originBounds.translated(QPointF(point) + offset);
    // The engine draws the regular style at the whole em size: allow for a different width.
    if (!visible(shadowBox, rings / 2.0 + m_layer.font.emSize / 4 + kAntiAliasMargin))
        return;

    const TextDesigner::ARGB shadowColour = TextDesigner::MakeArgb(m_conf.ShadowAlpha, 0, 0, 0);
    TextDesigner::OutlineText engine;
    engine.SelectColourEffect(PaintTools::argbFromColorRef(m_conf.TextColor, m_conf.Transparency),
                              PaintTools::argbFromColorRef(m_conf.EdgeColor, m_conf.EdgeAlpha),
                              m_conf.EdgeLineThickness);
    engine.SetShadowEnabled(true);
    engine.ClearShadowStrategies();
    engine.SetDiffusedShadow(shadowColour, rings, m_conf.ShadowH, m_conf.ShadowV);
    engine.SelectBrushEffect(&m_gradientBrush,
                             PaintTools::argbFromColorRef(m_conf.EdgeColor, m_conf.EdgeAlpha),
                             m_conf.EdgeLineThickness);
    const QString family = m_layer.font.family;
    const int emSize = static_cast<int>(std::min<qreal>(std::trunc(m_layer.font.emSize), 1 << 20));
    engine.DrawTextAt(&m_painter, &family, FontStyleRegular, emSize, m_layer.text, point,
                      &StringFormat::genericTypographic());
}

void Drawer::drawOutline()
{
    const qreal width = penWidth(m_conf.EdgeLineThickness, m_layer.font.emSize);
    const qreal margin = width / 2 + kAntiAliasMargin;
    if (!visible(m_layer.path.boundingRect(), margin))
        return;
    PartedShape::stroke(
        m_painter, shownPath(margin),
        PaintTools::roundJoinPen(PaintTools::colorFromColorRef(m_conf.EdgeColor, m_conf.EdgeAlpha), width));
}

void Drawer::drawDepthCopies()
{
    if (m_conf.TDTextPos < 0 || m_conf.TDTextPos > 3 || m_conf.TDTextOffset <= 0)
        return;
    const QPointF step(kDepthSteps[m_conf.TDTextPos][0], kDepthSteps[m_conf.TDTextPos][1]);
    // Copy i lies (i + 2) steps away: k runs from 2 to TDTextOffset + 1.
    qint64 first = 2;
    qint64 last = qint64(m_conf.TDTextOffset) + 1;
    const QRectF box = m_layer.path.boundingRect();
    if (!CanvasCulling::narrowSteps(m_painter.worldTransform(), box, step, kAntiAliasMargin, m_device, first,
                                    last))
        return;
    last = std::min(last, first + DrawingLimits::kMaxDepthCopies - 1);
    const QPainterPath shown =
        CanvasCulling::visibleSubpaths(m_layer.path, m_painter.worldTransform(), kAntiAliasMargin, m_device,
                                       step * qreal(first), step * qreal(last));
    // A deep stack, or many copies of a long text, is filled as the region it covers.
    const qint64 copies = last - first + 1;
    if (copies > DrawingLimits::kMaxStackedDepthCopies ||
        double(copies) * shown.elementCount() > DrawingLimits::kMaxStackedDepthWork) {
        SweptFill::fill(m_painter, shown.translated(step * qreal(first)), step.toPoint(), last - first,
                        m_hatchBrush);
        return;
    }
    for (qint64 k = first; k <= last; ++k) {
        const QPointF shift = step * qreal(k);
        if (visible(box.translated(shift), kAntiAliasMargin))
            PartedShape::fill(m_painter, shown.translated(shift), m_hatchBrush);
    }
}

void Drawer::drawCoverCopies()
{
    if (m_conf.coverImgMethod != 0 && m_conf.coverImgMethod != 1)
        return;
    if (m_layer.origin.isEmpty())
        return;
    const qreal tw = m_layer.size.width();
    const qreal th = m_layer.size.height();
    const qint64 rows = static_cast<qint64>(std::trunc(m_canvas.height() / (th + 10.0)));
    const qint64 columns = static_cast<qint64>(std::trunc(m_canvas.width() / (tw + 10.0)));
    if (rows <= 0 || columns <= 0)
        return;
    const qreal stepX = tw + 100;
    const qreal stepY = th + 55;
    const qreal angle = -qreal(m_conf.Rotation);

    const QPen outlinePen =
        PaintTools::roundJoinPen(PaintTools::colorFromColorRef(m_conf.EdgeColor, m_conf.Transparency),
                                 penWidth(m_conf.EdgeLineThickness, m_layer.font.emSize));
    const qreal margin = (m_conf.coverImgMethod == 0 ? outlinePen.widthF() / 2 : 0) + kAntiAliasMargin;

    // Copy (r, c) is the text laid out at t = (c * stepX, r * stepY) and turned about t, so in
    // device space it is one fixed box moved by the grid: cull whole row segments at once.
    const QTransform world = m_painter.worldTransform();
    QTransform turn;
    turn.rotate(angle);
    const QRectF copyBox =
        world.mapRect(turn.mapRect(m_layer.originBounds)).adjusted(-margin, -margin, margin, margin);
    const QPointF origin = world.map(QPointF(0, 0));
    const QPointF columnStep = world.map(QPointF(stepX, 0)) - origin;
    const QPointF rowStep = world.map(QPointF(0, stepY)) - origin;

    for (qint64 r = 0; r < rows; ++r) {
        qint64 first = 0;
        qint64 last = columns - 1;
        const QRectF rowBox = copyBox.translated(rowStep * qreal(r));
        if (!CanvasCulling::narrowDeviceSteps(rowBox, columnStep, m_device, first, last))
            continue;
        for (qint64 c = first; c <= last; ++c) {
            const QPointF t(c * stepX, r * stepY);
            DrawingState::Scope copyState(m_painter);
            DrawingState::rotateAbout(m_painter, t, angle);
            const QPainterPath copy = m_layer.origin.translated(t);
            if (!visible(copy.boundingRect(), margin))
                continue;
            if (m_conf.coverImgMethod == 0)
                PartedShape::stroke(m_painter, copy, outlinePen);
            else
                PartedShape::fill(m_painter, copy, m_textBrush);
        }
    }
}

void Drawer::draw()
{
    prepare();

    DrawingState::Scope layerState(m_painter);
    DrawingState::rotateAbout(m_painter, m_layer.anchor, -qreal(m_conf.Rotation));
    DrawingState::setHighQuality(m_painter);

    if (isOn(m_conf.BAddShadow))
        drawShadow();
    if (isOn(m_conf.BDrawEdge))
        drawOutline();
    if (isOn(m_conf.B3DText))
        drawDepthCopies();
    const bool filled = isOn(m_conf.BFillText);
    const bool graded = isOn(m_conf.BGradientText);
    if ((filled || graded) && visible(m_layer.path.boundingRect(), kAntiAliasMargin)) {
        const QPainterPath shown = shownPath(kAntiAliasMargin);
        if (filled)
            PartedShape::fill(m_painter, shown, m_textBrush);
        if (graded)
            PartedShape::fill(m_painter, shown, m_gradientBrush);
    }
    if (isOn(m_conf.BCoverImage))
        drawCoverCopies();
}

} // namespace

namespace TextLayerPainter {

void draw(QPainter& painter, const WatermarkConf& conf, const QSize& canvas)
{
    if (!painter.isActive())
        return;
    Drawer(painter, conf, canvas).draw();
}

} // namespace TextLayerPainter
