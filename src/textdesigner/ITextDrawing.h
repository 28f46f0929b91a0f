#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

#include "services/imaging/text/LogFontW.h"

class QPainter;
class StringFormat;

namespace TextDesigner {

// Drawing and measuring a string as a vector path: what the text outline engine and its
// strategies both do.
//
// Arguments shared by all operations:
// - graphics: the surface, drawn on with its current world transform;
// - fontFamily: the family name, or nullptr for the default family;
// - fontStyle: style bits (0 regular, 1 bold, 2 italic, 4 underline, 8 strike-out);
// - emSize: em height in pixels;
// - text: the string, up to its first NUL character;
// - point variants (…At) lay the text out from a point, the top-left of its layout box;
//   rectangle variants (…InRect) lay it out within the rectangle;
// - format: the string format, or nullptr for the default format;
// - the logical-font variants (…Gdi…) build the path from a classic font made from the
//   record, at the point (top-left of the first character cell) or centred in the rectangle.
// Measuring operations write a width and a height in pixels and return whether the path
// could be built.
class ITextDrawing
{
public:
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
    ITextDrawing() = default;
    ~ITextDrawing() = default;
    ITextDrawing(const ITextDrawing&) = default;
    ITextDrawing& operator=(const ITextDrawing&) = default;
};

} // namespace TextDesigner
