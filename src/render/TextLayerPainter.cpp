#include "render/TextLayerPainter.h"

#include <QHash>
#include <QImage>
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

// The copies of the repetition over the canvas: copy (r, c) is the text laid out at
// t = (c * stepX, r * stepY) and turned about t, so in device space every copy is the first
// one moved by c * columnStep + r * rowStep.
struct CoverGrid
{
    qint64 rows = 0;
    qint64 columns = 0;
    qreal stepX = 0;
    qreal stepY = 0;
    QRectF copyBox; // device box of copy (0, 0), grown by the margin
    QPointF columnStep;
    QPointF rowStep;

    // Calls visit(r, first, last) for every row with the range of its columns that may
    // reach the device.
    template <typename Visit> void forEachRow(const QRectF& device, Visit visit) const
    {
        for (qint64 r = 0; r < rows; ++r) {
            qint64 first = 0;
            qint64 last = columns - 1;
            const QRectF rowBox = copyBox.translated(rowStep * qreal(r));
            if (CanvasCulling::narrowDeviceSteps(rowBox, columnStep, device, first, last))
                visit(r, first, last);
        }
    }
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
    void drawCoverCopiesOneByOne(const CoverGrid& grid, const QPen& outlinePen, qreal margin);
    bool drawCoverTiles(const CoverGrid& grid, const QPen& outlinePen, const QTransform& copyTransform,
                        double copies);

    QPainter& m_painter;
    const WatermarkConf& m_conf;
    QSize m_canvas;
    QRectF m_device;
    TextLayer m_layer;
    QBrush m_textBrush;
    QBrush m_gradientBrush;
    QBrush m_hatchBrush;
};

// The text, font, size, anchor and outlines of a layer: what drawing and measuring share.
void layOut(const WatermarkConf& conf, const QSize& canvas, TextLayer& layer)
{
    layer.text = conf.textContent.isEmpty() ? QStringLiteral(" ") : conf.textContent;
    if (layer.text.size() > DrawingLimits::kMaxTextUnits) {
        qsizetype kept = DrawingLimits::kMaxTextUnits;
        if (layer.text.at(kept - 1).isHighSurrogate())
            --kept;
        layer.text.truncate(kept);
    }
    const LOGFONTW record =
        isOn(conf.ScaleTextWT) ? autoScaledFont(conf.Font, layer.text, canvas) : conf.Font;
    layer.font = DrawingFont::fromLogFont(record);

    const StringFormat& typographic = StringFormat::genericTypographic();
    layer.size = measureString(layer.font, layer.text, QRectF(0, 0, 100000, 1000), &typographic);
    layer.anchor = LayerPlacement::textAnchor(conf.Location, canvas, layer.size, conf.OffsetH, conf.OffsetV);

    layer.origin = textPathAt(layer.font, layer.text, QPointF(0, 0), &typographic);
    layer.origin.setFillRule(Qt::OddEvenFill);
    layer.originBounds = layer.origin.boundingRect();
    layer.path = layer.origin.translated(layer.anchor);
}

void Drawer::prepare()
{
    layOut(m_conf, m_canvas, m_layer);

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

    const TextDesigner::ARGB shadowColour = TextDesigner::makeArgb(m_conf.ShadowAlpha, 0, 0, 0);
    TextDesigner::OutlineText engine;
    engine.SetShadowEnabled(true);
    engine.ClearShadowStrategies();
    engine.SetDiffusedShadow(shadowColour, rings, m_conf.ShadowH, m_conf.ShadowV);
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
    CoverGrid grid;
    grid.rows = static_cast<qint64>(std::trunc(m_canvas.height() / (th + 10.0)));
    grid.columns = static_cast<qint64>(std::trunc(m_canvas.width() / (tw + 10.0)));
    if (grid.rows <= 0 || grid.columns <= 0)
        return;
    grid.stepX = tw + 100;
    grid.stepY = th + 55;
    const qreal angle = -qreal(m_conf.Rotation);

    const QPen outlinePen =
        PaintTools::roundJoinPen(PaintTools::colorFromColorRef(m_conf.EdgeColor, m_conf.Transparency),
                                 penWidth(m_conf.EdgeLineThickness, m_layer.font.emSize));
    const bool outlined = m_conf.coverImgMethod == 0;
    const qreal margin = (outlined ? outlinePen.widthF() / 2 : 0) + kAntiAliasMargin;

    // In device space every copy is the same shape, moved by the grid: cull whole row
    // segments at once.
    const QTransform world = m_painter.worldTransform();
    QTransform turn;
    turn.rotate(angle);
    const QTransform copyTransform = turn * world;
    grid.copyBox = copyTransform.mapRect(m_layer.originBounds).adjusted(-margin, -margin, margin, margin);
    const QPointF origin = world.map(QPointF(0, 0));
    grid.columnStep = world.map(QPointF(grid.stepX, 0)) - origin;
    grid.rowStep = world.map(QPointF(0, grid.stepY)) - origin;

    double shown = 0;
    grid.forEachRow(m_device, [&](qint64, qint64 first, qint64 last) { shown += double(last - first + 1); });
    const double work = shown * m_layer.origin.elementCount() * ((outlined ? outlinePen.widthF() : 0) + 2);
    if (work > DrawingLimits::kMaxDirectCoverWork && drawCoverTiles(grid, outlinePen, copyTransform, shown))
        return;
    drawCoverCopiesOneByOne(grid, outlinePen, margin);
}

void Drawer::drawCoverCopiesOneByOne(const CoverGrid& grid, const QPen& outlinePen, qreal margin)
{
    const qreal angle = -qreal(m_conf.Rotation);
    grid.forEachRow(m_device, [&](qint64 r, qint64 first, qint64 last) {
        for (qint64 c = first; c <= last; ++c) {
            const QPointF t(c * grid.stepX, r * grid.stepY);
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
    });
}

// Draws the copy into pictures and places a picture for every copy at whole device pixels.
// The copy is drawn at up to kMaxTilePhases x kMaxTilePhases fractions of a pixel, so that
// every copy is placed within 1 / (2 phases) of a pixel of its place; there are fewer phases
// when there are few copies or the pictures are large. Returns false, having drawn nothing,
// when one picture would be too large.
bool Drawer::drawCoverTiles(const CoverGrid& grid, const QPen& outlinePen, const QTransform& copyTransform,
                            double copies)
{
    const QRectF box = grid.copyBox;
    if (!(box.width() * box.height() <= DrawingLimits::kMaxCoverTilePixels))
        return false;
    const QPointF corner(std::floor(box.left()), std::floor(box.top()));
    // One pixel more each way for the phases.
    const QSize size(static_cast<int>(std::ceil(box.right()) - corner.x()) + 1,
                     static_cast<int>(std::ceil(box.bottom()) - corner.y()) + 1);
    // Drawing the pictures costs a small share of drawing the copies, and they fit in memory.
    const double tileBytes = 4.0 * size.width() * size.height();
    const int phases = static_cast<int>(
        std::clamp(std::min(std::sqrt(copies / 8), std::sqrt(DrawingLimits::kMaxCoverTileBytes / tileBytes)),
                   1.0, double(DrawingLimits::kMaxTilePhases)));

    QHash<int, QImage> tiles;
    const auto tileAt = [&](int px, int py) -> const QImage& {
        QImage& tile = tiles[py * phases + px];
        if (!tile.isNull())
            return tile;
        tile = QImage(size, QImage::Format_ARGB32_Premultiplied);
        if (tile.isNull())
            return tile;
        tile.fill(Qt::transparent);
        QPainter tilePainter(&tile);
        DrawingState::setHighQuality(tilePainter);
        tilePainter.setTransform(copyTransform * QTransform::fromTranslate(qreal(px) / phases - corner.x(),
                                                                           qreal(py) / phases - corner.y()));
        if (m_conf.coverImgMethod == 0)
            PartedShape::stroke(tilePainter, m_layer.origin, outlinePen);
        else
            PartedShape::fill(tilePainter, m_layer.origin, m_textBrush);
        return tile;
    };
    // Whole pixels and the nearest phase of a coordinate.
    const auto split = [phases](qreal value, qreal& whole, int& phase) {
        whole = std::floor(value);
        phase = static_cast<int>(std::lround((value - whole) * phases));
        if (phase == phases) {
            phase = 0;
            whole += 1;
        }
    };

    DrawingState::Scope tileState(m_painter);
    m_painter.resetTransform();
    const QRectF tileBox(QPointF(0, 0), QSizeF(size));
    grid.forEachRow(m_device, [&](qint64 r, qint64 first, qint64 last) {
        for (qint64 c = first; c <= last; ++c) {
            const QPointF shift = grid.columnStep * qreal(c) + grid.rowStep * qreal(r);
            qreal x = 0;
            qreal y = 0;
            int px = 0;
            int py = 0;
            split(shift.x(), x, px);
            split(shift.y(), y, py);
            const QPointF place = corner + QPointF(x, y);
            if (!tileBox.translated(place).intersects(m_device))
                continue;
            const QImage& tile = tileAt(px, py);
            if (!tile.isNull())
                m_painter.drawImage(place, tile);
        }
    });
    return true;
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

Layout layout(const WatermarkConf& conf, const QSize& canvas)
{
    TextLayer layer;
    layOut(conf, canvas, layer);
    return {layer.anchor, layer.size, layer.originBounds.translated(layer.anchor), layer.font.emSize};
}

} // namespace TextLayerPainter
