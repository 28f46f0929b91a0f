#pragma once

#include <QFont>
#include <QString>

#include "services/imaging/text/LogFontW.h"

// Style bits of a drawing font, numbered as the drawing library numbers them.
enum DrawingFontStyle : int
{
    FontStyleRegular = 0,
    FontStyleBold = 1,
    FontStyleItalic = 2,
    FontStyleUnderline = 4,
    FontStyleStrikeout = 8,
};

// The font that text is drawn with: a family, an em size in pixels (96 DPI) and style bits.
// A drawing font made from a logical-font record ignores the record's width, escapement
// and orientation; its family is the family that the face name actually resolves to.
struct DrawingFont
{
    QString family;
    qreal emSize = 0;
    int style = FontStyleRegular;

    // The family, em size and style of the font made from a logical-font record.
    static DrawingFont fromLogFont(const LOGFONTW& record);

    // The family used when a caller passes none.
    static QString defaultFamily();

    bool isValid() const { return emSize > 0; }

    // A QFont with this family and style and the em size rounded to whole pixels.
    // Outlines and measurements keep the exact em size: they come from StringLayout.
    QFont toFont() const;

    friend bool operator==(const DrawingFont&, const DrawingFont&) = default;
};
