#pragma once

#include <QPainterPath>

#include "textdesigner/ITextStrategy.h"
#include "textdesigner/TextDesignerTypes.h"

namespace TextDesigner {

// Paints diffused strokes: the text outline is stroked once with every pen width from 1 to
// `thickness` (round joins) in `outlineColour`, so that a semi-transparent colour piles up
// along the glyph edges and fades out to thickness / 2; then the glyphs are filled with
// `textColour`, once or `thickness` times.
//
// Ring and fill counts are limited to kMaxPasses so that a huge thickness from a hand-edited
// file cannot stall a render.
//
// Measuring: the size of the box that the drawing covers, grown by half the ring thickness
// on every side. The plain measures cover the laid-out text box (advances times lines)
// together with the glyph outlines; the tight measures cover the glyph outlines only.
class DiffusedShadowStrategy : public ITextStrategy
{
public:
    static constexpr int kMaxPasses = 255;

    DiffusedShadowStrategy() = default;
    ~DiffusedShadowStrategy() override = default;

    bool DrawTextInRect(QPainter* graphics, const QString* fontFamily, int fontStyle, int emSize,
                        const QString& text, const QRect& layoutRect, const StringFormat* format) override;
    bool DrawTextAt(QPainter* graphics, const QString* fontFamily, int fontStyle, int emSize,
                    const QString& text, const QPoint& point, const StringFormat* format) override;
    bool DrawGdiTextInRect(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                           const QRect& rect) override;
    bool DrawGdiTextAt(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                       const QPoint& point) override;

    bool MeasureTextInRect(QPainter* graphics, const QString* fontFamily, int fontStyle, int emSize,
                           const QString& text, const QRect& layoutRect, const StringFormat* format,
                           float* width, float* height) override;
    bool MeasureTextAt(QPainter* graphics, const QString* fontFamily, int fontStyle, int emSize,
                       const QString& text, const QPoint& point, const StringFormat* format, float* width,
                       float* height) override;
    bool MeasureGdiTextInRect(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                              const QRect& rect, float* width, float* height) override;
    bool MeasureGdiTextAt(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                          const QPoint& point, float* width, float* height) override;
    bool MeasureGdiTextTightInRect(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                                   const QRect& rect, float* width, float* height) override;
    bool MeasureGdiTextTightAt(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                               const QPoint& point, float* width, float* height) override;

    void Init(ARGB textColour, ARGB outlineColour, int thickness, bool fillOnce);

    ARGB textColour = kOpaqueBlack;
    ARGB outlineColour = kOpaqueBlack;
    int thickness = 8;
    bool fillOnce = false;

private:
    // Number of ring strokes and fills that drawing makes, after the pass limit.
    int ringCount() const;
    int fillCount() const;
    // Strokes and fills a finished path; returns the draw operations' result.
    bool paint(QPainter* graphics, const QPainterPath& path) const;
    // Writes the size of `box` grown by half the ring thickness on each side.
    bool writeSize(const QRectF& box, float* width, float* height) const;
};

} // namespace TextDesigner
