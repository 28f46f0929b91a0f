#include "textdesigner/DiffusedShadowStrategy.h"

#include <QBrush>
#include <QPainter>
#include <QPen>

#include <algorithm>

#include "services/imaging/text/DrawingFont.h"
#include "services/imaging/text/GdiFont.h"
#include "services/imaging/text/StringLayout.h"
#include "textdesigner/ShadowRings.h"

namespace TextDesigner {

namespace {

DrawingFont drawingFont(const QString* fontFamily, int fontStyle, int emSize)
{
    DrawingFont font;
    font.family = fontFamily && !fontFamily->isEmpty() ? *fontFamily : DrawingFont::defaultFamily();
    font.style = fontStyle;
    font.emSize = emSize;
    return font;
}

// The box a plain measure covers: the laid-out text box together with the glyph outlines.
QRectF coveredBox(const LaidOutString& laid)
{
    if (laid.path.isEmpty())
        return laid.box;
    return laid.box.united(laid.path.boundingRect());
}

void writeOut(float* width, float* height, qreal w, qreal h)
{
    if (width)
        *width = static_cast<float>(w);
    if (height)
        *height = static_cast<float>(h);
}

} // namespace

void DiffusedShadowStrategy::Init(ARGB newTextColour, ARGB newOutlineColour, int newThickness,
                                  bool newFillOnce)
{
    textColour = newTextColour;
    outlineColour = newOutlineColour;
    thickness = newThickness;
    fillOnce = newFillOnce;
}

int DiffusedShadowStrategy::ringCount() const
{
    return std::clamp(thickness, 0, kMaxPasses);
}

int DiffusedShadowStrategy::fillCount() const
{
    return fillOnce ? 1 : ringCount();
}

bool DiffusedShadowStrategy::paint(QPainter* graphics, const QPainterPath& path) const
{
    if (!graphics || !graphics->isActive())
        return false;
    graphics->save();
    const QColor ringColour = colorFromArgb(outlineColour);
    if (!ShadowRings::draw(*graphics, path, ringColour, ringCount())) {
        for (int width = 1; width <= ringCount(); ++width) {
            QPen pen(ringColour, width);
            pen.setJoinStyle(Qt::RoundJoin);
            pen.setCapStyle(Qt::FlatCap);
            graphics->strokePath(path, pen);
        }
    }
    const QBrush fill(colorFromArgb(textColour));
    for (int i = 0; i < fillCount(); ++i)
        graphics->fillPath(path, fill);
    graphics->restore();
    return true;
}

bool DiffusedShadowStrategy::writeSize(const QRectF& box, float* width, float* height) const
{
    if (box.width() <= 0 && box.height() <= 0) {
        writeOut(width, height, 0, 0);
        return true;
    }
    writeOut(width, height, box.width() + ringCount(), box.height() + ringCount());
    return true;
}

bool DiffusedShadowStrategy::DrawTextInRect(QPainter* graphics, const QString* fontFamily, int fontStyle,
                                            int emSize, const QString& text, const QRect& layoutRect,
                                            const StringFormat* format)
{
    if (emSize <= 0)
        return false;
    const DrawingFont font = drawingFont(fontFamily, fontStyle, emSize);
    return paint(graphics, layOutStringInRect(font, text, QRectF(layoutRect), format).path);
}

bool DiffusedShadowStrategy::DrawTextAt(QPainter* graphics, const QString* fontFamily, int fontStyle,
                                        int emSize, const QString& text, const QPoint& point,
                                        const StringFormat* format)
{
    if (emSize <= 0)
        return false;
    const DrawingFont font = drawingFont(fontFamily, fontStyle, emSize);
    return paint(graphics, layOutStringAt(font, text, QPointF(point), format).path);
}

bool DiffusedShadowStrategy::DrawGdiTextInRect(QPainter* graphics, const LOGFONTW& logFont,
                                               const QString& text, const QRect& rect)
{
    return paint(graphics, GdiFont(logFont).layOutCentred(text, rect).path);
}

bool DiffusedShadowStrategy::DrawGdiTextAt(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                                           const QPoint& point)
{
    return paint(graphics, GdiFont(logFont).layOutAt(text, point).path);
}

bool DiffusedShadowStrategy::MeasureTextInRect(QPainter*, const QString* fontFamily, int fontStyle,
                                               int emSize, const QString& text, const QRect& layoutRect,
                                               const StringFormat* format, float* width, float* height)
{
    writeOut(width, height, 0, 0);
    if (emSize <= 0)
        return false;
    const DrawingFont font = drawingFont(fontFamily, fontStyle, emSize);
    return writeSize(coveredBox(layOutStringInRect(font, text, QRectF(layoutRect), format)), width, height);
}

bool DiffusedShadowStrategy::MeasureTextAt(QPainter*, const QString* fontFamily, int fontStyle, int emSize,
                                           const QString& text, const QPoint& point,
                                           const StringFormat* format, float* width, float* height)
{
    writeOut(width, height, 0, 0);
    if (emSize <= 0)
        return false;
    const DrawingFont font = drawingFont(fontFamily, fontStyle, emSize);
    return writeSize(coveredBox(layOutStringAt(font, text, QPointF(point), format)), width, height);
}

bool DiffusedShadowStrategy::MeasureGdiTextInRect(QPainter*, const LOGFONTW& logFont, const QString& text,
                                                  const QRect& rect, float* width, float* height)
{
    return writeSize(coveredBox(GdiFont(logFont).layOutCentred(text, rect)), width, height);
}

bool DiffusedShadowStrategy::MeasureGdiTextAt(QPainter*, const LOGFONTW& logFont, const QString& text,
                                              const QPoint& point, float* width, float* height)
{
    return writeSize(coveredBox(GdiFont(logFont).layOutAt(text, point)), width, height);
}

bool DiffusedShadowStrategy::MeasureGdiTextTightInRect(QPainter*, const LOGFONTW& logFont,
                                                       const QString& text, const QRect& rect, float* width,
                                                       float* height)
{
    return writeSize(GdiFont(logFont).layOutCentred(text, rect).path.boundingRect(), width, height);
}

bool DiffusedShadowStrategy::MeasureGdiTextTightAt(QPainter*, const LOGFONTW& logFont, const QString& text,
                                                   const QPoint& point, float* width, float* height)
{
    return writeSize(GdiFont(logFont).layOutAt(text, point).path.boundingRect(), width, height);
}

} // namespace TextDesigner
