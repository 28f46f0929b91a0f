#pragma once

#include <memory>
#include <optional>

#include <QImage>

#include "textdesigner/IOutlineText.h"
#include "textdesigner/ITextStrategy.h"

namespace TextDesigner {

// The text outline engine. It holds three strategy slots (text body, shadow, mask) and draws
// a string as: the shadow strategy's passes at the shadow offset (when the shadow is enabled
// and installed), then the text-body strategy at the unshifted position. The selectors that
// would install a text-body strategy do nothing, so in practice the engine draws the shadow
// and the drawing operations return false.
//
// Shadow background: with a background set (CreateShadowBackground or SetShadowBackground),
// the shadow passes are drawn into the background bitmap instead of the caller's surface,
// under the caller's world transform, and the mask strategy then paints the glyphs at the
// unshifted position into the same bitmap (a near-white fill whose red channel carries the
// shadow alpha), marking where the text body will lie. Composing the background is the
// caller's business. A background made by CreateShadowBackground belongs to the engine; one
// passed to SetShadowBackground stays the caller's and must outlive the drawing.
//
// Measuring: the size of the union of the boxes that the text-body strategy (at the point)
// and the enabled shadow strategy (at the point plus the offset) report, both boxes centred
// on the same text before the offset; false when neither is there or neither could measure.
class OutlineText : public IOutlineText
{
public:
    OutlineText() = default;
    virtual ~OutlineText();

    OutlineText(const OutlineText&) = delete;
    OutlineText& operator=(const OutlineText&) = delete;

    void CreateShadowBackground(ARGB colour, int width, int height) override;
    void SetShadowBackground(QImage* bitmap) override;
    void ClearShadowStrategies() override;
    void SetShadowEnabled(bool enabled) override;

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

    // Installs the diffused shadow: a shadow strategy with a transparent fill and rings of
    // `colour`, and a mask strategy for drawing against a background. Does not enable it.
    void SetDiffusedShadow(ARGB colour, int thickness, int offsetX, int offsetY);

    // What the engine holds, for the ones who inspect it.
    ITextStrategy* textStrategy() const { return m_textStrategy.get(); }
    ITextStrategy* shadowStrategy() const { return m_shadowStrategy.get(); }
    ITextStrategy* maskStrategy() const { return m_maskStrategy.get(); }
    int shadowOffsetX() const { return m_shadowOffsetX; }
    int shadowOffsetY() const { return m_shadowOffsetY; }
    ARGB shadowColour() const { return m_shadowColour; }
    bool isShadowEnabled() const { return m_shadowEnabled; }
    int shadowThickness() const { return m_shadowThickness; }
    // The background the shadow passes draw into: the engine's own, the caller's, or none.
    QImage* shadowBackground();

private:
    // Runs the drawing scheme; `pass` draws with one strategy onto a surface, shifted by an
    // offset, and returns the strategy's result.
    template <typename Pass> bool drawScheme(QPainter* graphics, Pass pass);

    // Measures with each present strategy and writes the size of the union of their boxes.
    template <typename Measure> bool measureUnion(Measure measure, float* width, float* height);

    // The text body is never installed by this system; the slot stays for drawing and measuring.
    std::unique_ptr<ITextStrategy> m_textStrategy;
    std::unique_ptr<ITextStrategy> m_shadowStrategy;
    std::unique_ptr<ITextStrategy> m_maskStrategy;
    int m_shadowOffsetX = 0;
    int m_shadowOffsetY = 0;
    ARGB m_shadowColour = kOpaqueBlack;
    bool m_shadowEnabled = false;
    int m_shadowThickness = 2;
    // At most one of the two is set: the background made by CreateShadowBackground, held by
    // value, or the caller's, which the caller owns and keeps alive while the engine draws.
    std::optional<QImage> m_ownBackground;
    QImage* m_callersBackground = nullptr;
};

} // namespace TextDesigner
