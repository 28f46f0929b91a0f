#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

#include "services/imaging/text/LogFontW.h"
#include "textdesigner/TextDesignerTypes.h"

class QImage;
class QPainter;
class StringFormat;

namespace TextDesigner {

// The text outline engine's interface: draws a string as a vector path, with a shadow
// behind it, onto a drawing surface. Arguments are as for ITextStrategy.
//
// Objects are destroyed through the concrete class: the destructor here is protected.
class IOutlineText
{
public:
    virtual void CreateShadowBackground(ARGB colour, int width, int height) = 0;
    virtual void SetShadowBackground(QImage* bitmap) = 0;
    virtual void ClearShadowStrategies() = 0;
    virtual void SetShadowEnabled(bool enabled) = 0;

    virtual bool DrawTextInRect(QPainter* graphics, const QString* fontFamily, int fontStyle, int emSize,
                                const QString& text, const QRect& layoutRect, const StringFormat* format) = 0;
    virtual bool DrawTextAt(QPainter* graphics, const QString* fontFamily, int fontStyle, int emSize,
                            const QString& text, const QPoint& point, const StringFormat* format) = 0;
    virtual bool DrawGdiTextInRect(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                                   const QRect& rect) = 0;
    virtual bool DrawGdiTextAt(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                               const QPoint& point) = 0;

    virtual bool MeasureTextInRect(QPainter* graphics, const QString* fontFamily, int fontStyle, int emSize,
                                   const QString& text, const QRect& layoutRect, const StringFormat* format,
                                   float* width, float* height) = 0;
    virtual bool MeasureTextAt(QPainter* graphics, const QString* fontFamily, int fontStyle, int emSize,
                               const QString& text, const QPoint& point, const StringFormat* format,
                               float* width, float* height) = 0;
    virtual bool MeasureGdiTextInRect(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                                      const QRect& rect, float* width, float* height) = 0;
    virtual bool MeasureGdiTextAt(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                                  const QPoint& point, float* width, float* height) = 0;
    virtual bool MeasureGdiTextTightInRect(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                                           const QRect& rect, float* width, float* height) = 0;
    virtual bool MeasureGdiTextTightAt(QPainter* graphics, const LOGFONTW& logFont, const QString& text,
                                       const QPoint& point, float* width, float* height) = 0;

protected:
    IOutlineText() = default;
    ~IOutlineText() = default;
    IOutlineText(const IOutlineText&) = default;
    IOutlineText& operator=(const IOutlineText&) = default;
};

} // namespace TextDesigner
