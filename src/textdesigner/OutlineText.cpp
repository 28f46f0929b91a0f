#include "textdesigner/OutlineText.h"

#include <QPainter>

#include <algorithm>
#include <limits>

#include "textdesigner/DiffusedShadowStrategy.h"

namespace TextDesigner {

namespace {

// Adds an offset without overflowing: coordinates from hand-edited files may be extreme.
int saturatedSum(int a, int b)
{
    const long long sum = static_cast<long long>(a) + b;
    return static_cast<int>(
        std::clamp<long long>(sum, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

QPoint shifted(const QPoint& point, const QPoint& offset)
{
    return QPoint(saturatedSum(point.x(), offset.x()), saturatedSum(point.y(), offset.y()));
}

QRect shifted(const QRect& rect, const QPoint& offset)
{
    return QRect(shifted(rect.topLeft(), offset), rect.size());
}

// Extent along one axis of two boxes of sizes a and b whose centres are `offset` apart.
qreal unitedExtent(qreal a, qreal b, qreal offset)
{
    return std::max(a / 2, offset + b / 2) + std::max(a / 2, b / 2 - offset);
}

} // namespace

OutlineText::~OutlineText()
{
    m_textStrategy.reset();
    m_shadowStrategy.reset();
    m_maskStrategy.reset();
}

void OutlineText::CreateShadowBackground(ARGB colour, int width, int height)
{
    m_callersBackground = nullptr;
    m_ownBackground.reset();
    if (width <= 0 || height <= 0)
        return;
    QImage bitmap(width, height, QImage::Format_ARGB32);
    if (bitmap.isNull())
        return;
    bitmap.fill(Qt::transparent);
    {
        QPainter painter(&bitmap);
        painter.fillRect(QRect(0, 0, bitmap.width(), bitmap.height()), colorFromArgb(colour));
    }
    m_ownBackground = std::move(bitmap);
}

void OutlineText::SetShadowBackground(QImage* bitmap)
{
    if (m_ownBackground && bitmap == &*m_ownBackground)
        return; // the engine's own, handed back: it stays the engine's
    m_ownBackground.reset();
    m_callersBackground = bitmap;
}

QImage* OutlineText::shadowBackground()
{
    return m_ownBackground ? &*m_ownBackground : m_callersBackground;
}

void OutlineText::ClearShadowStrategies()
{
    m_maskStrategy.reset();
    m_shadowStrategy.reset();
}

void OutlineText::SetShadowEnabled(bool enabled)
{
    m_shadowEnabled = enabled;
}

void OutlineText::SetDiffusedShadow(ARGB colour, int thickness, int offsetX, int offsetY)
{
    auto shadow = std::make_unique<DiffusedShadowStrategy>();
    shadow->Init(0, colour, thickness, true);

    m_shadowColour = colour;

    m_maskStrategy.reset();
    auto mask = std::make_unique<DiffusedShadowStrategy>();
    mask->Init(makeArgb(255, static_cast<int>(colour >> 24), 255, 255), 0, 0, true);
    m_maskStrategy = std::move(mask);

    m_shadowStrategy.reset();

    m_shadowOffsetX = offsetX;
    m_shadowOffsetY = offsetY;
    m_shadowStrategy = std::move(shadow);
    m_shadowThickness = thickness;
}

template <typename Pass> bool OutlineText::drawScheme(QPainter* graphics, Pass pass)
{
    const QPoint offset(m_shadowOffsetX, m_shadowOffsetY);
    if (m_shadowEnabled && m_shadowStrategy) {
        QImage* const bitmap = shadowBackground();
        if (bitmap && !bitmap->isNull()) {
            QPainter background(bitmap);
            if (graphics && graphics->isActive()) {
                background.setRenderHints(graphics->renderHints());
                background.setWorldTransform(graphics->worldTransform());
            }
            pass(*m_shadowStrategy, &background, offset);
            if (m_maskStrategy)
                pass(*m_maskStrategy, &background, QPoint(0, 0));
        } else {
            pass(*m_shadowStrategy, graphics, offset);
        }
    }
    if (m_textStrategy)
        return pass(*m_textStrategy, graphics, QPoint(0, 0));
    return false;
}

template <typename Measure> bool OutlineText::measureUnion(Measure measure, float* width, float* height)
{
    float bodyWidth = 0, bodyHeight = 0, shadowWidth = 0, shadowHeight = 0;
    const bool body = m_textStrategy && measure(*m_textStrategy, QPoint(0, 0), &bodyWidth, &bodyHeight);
    const QPoint offset(m_shadowOffsetX, m_shadowOffsetY);
    const bool shadow = m_shadowEnabled && m_shadowStrategy &&
                        measure(*m_shadowStrategy, offset, &shadowWidth, &shadowHeight);

    qreal w = 0, h = 0;
    if (body && shadow) {
        w = unitedExtent(bodyWidth, shadowWidth, offset.x());
        h = unitedExtent(bodyHeight, shadowHeight, offset.y());
    } else if (body) {
        w = bodyWidth;
        h = bodyHeight;
    } else if (shadow) {
        w = shadowWidth;
        h = shadowHeight;
    }
    if (width)
        *width = static_cast<float>(w);
    if (height)
        *height = static_cast<float>(h);
    return body || shadow;
}

bool OutlineText::DrawTextInRect(QPainter* graphics, const QString* fontFamily, int fontStyle, int emSize,
                                 const QString& text, const QRect& layoutRect, const StringFormat* format)
{
    return drawScheme(graphics, [&](ITextStrategy& strategy, QPainter* target, const QPoint& offset) {
        return strategy.DrawTextInRect(target, fontFamily, fontStyle, emSize, text,
                                       shifted(layoutRect, offset), format);
    });
}

bool OutlineText::DrawTextAt(QPainter* graphics, const QString* fontFamily, int fontStyle, int emSize,
                             const QString& text, const QPoint& point, const StringFormat* format)
{
    return drawScheme(graphics, [&](ITextStrategy& strategy, QPainter* target, const QPoint& offset) {
        return strategy.DrawTextAt(target, fontFamily, fontStyle, emSize, text, shifted(point, offset),
                                   format);
    });
}

bool OutlineText::DrawGdiTextInRect(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                                    const QRect& rect)
{
    return drawScheme(graphics, [&](ITextStrategy& strategy, QPainter* target, const QPoint& offset) {
        return strategy.DrawGdiTextInRect(target, logFont, text, shifted(rect, offset));
    });
}

bool OutlineText::DrawGdiTextAt(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                                const QPoint& point)
{
    return drawScheme(graphics, [&](ITextStrategy& strategy, QPainter* target, const QPoint& offset) {
        return strategy.DrawGdiTextAt(target, logFont, text, shifted(point, offset));
    });
}

bool OutlineText::MeasureTextInRect(QPainter* graphics, const QString* fontFamily, int fontStyle, int emSize,
                                    const QString& text, const QRect& layoutRect, const StringFormat* format,
                                    float* width, float* height)
{
    return measureUnion(
        [&](ITextStrategy& strategy, const QPoint& offset, float* w, float* h) {
            return strategy.MeasureTextInRect(graphics, fontFamily, fontStyle, emSize, text,
                                              shifted(layoutRect, offset), format, w, h);
        },
        width, height);
}

bool OutlineText::MeasureTextAt(QPainter* graphics, const QString* fontFamily, int fontStyle, int emSize,
                                const QString& text, const QPoint& point, const StringFormat* format,
                                float* width, float* height)
{
    return measureUnion(
        [&](ITextStrategy& strategy, const QPoint& offset, float* w, float* h) {
            return strategy.MeasureTextAt(graphics, fontFamily, fontStyle, emSize, text,
                                          shifted(point, offset), format, w, h);
        },
        width, height);
}

bool OutlineText::MeasureGdiTextInRect(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                                       const QRect& rect, float* width, float* height)
{
    return measureUnion(
        [&](ITextStrategy& strategy, const QPoint& offset, float* w, float* h) {
            return strategy.MeasureGdiTextInRect(graphics, logFont, text, shifted(rect, offset), w, h);
        },
        width, height);
}

bool OutlineText::MeasureGdiTextAt(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                                   const QPoint& point, float* width, float* height)
{
    return measureUnion(
        [&](ITextStrategy& strategy, const QPoint& offset, float* w, float* h) {
            return strategy.MeasureGdiTextAt(graphics, logFont, text, shifted(point, offset), w, h);
        },
        width, height);
}

bool OutlineText::MeasureGdiTextTightInRect(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                                            const QRect& rect, float* width, float* height)
{
    return measureUnion(
        [&](ITextStrategy& strategy, const QPoint& offset, float* w, float* h) {
            return strategy.MeasureGdiTextTightInRect(graphics, logFont, text, shifted(rect, offset), w, h);
        },
        width, height);
}

bool OutlineText::MeasureGdiTextTightAt(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                                        const QPoint& point, float* width, float* height)
{
    return measureUnion(
        [&](ITextStrategy& strategy, const QPoint& offset, float* w, float* h) {
            return strategy.MeasureGdiTextTightAt(graphics, logFont, text, shifted(point, offset), w, h);
        },
        width, height);
}

} // namespace TextDesigner
