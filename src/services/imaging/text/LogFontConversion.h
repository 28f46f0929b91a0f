#pragma once

#include <QFont>
#include <QString>

#include "services/imaging/text/LogFontW.h"

// Turning logical-font records into fonts, at 96 logical pixels per inch.
//
// The record's height: negative = the character (em) height in pixels; positive = the cell
// height (ascent + descent), from which the em height follows with the face's design
// metrics; 0 = the default em height of 16 pixels.

// Em height in pixels of the font that a record describes.
qreal emSizeFromLogFont(const LOGFONTW& record);

// The record's weight as a QFont weight; 0 (don't care) is normal (400).
QFont::Weight weightFromLogFont(const LOGFONTW& record);

// The family that the record's face name resolves to on this system (font substitution
// applies when the face is not installed; an empty face gives the default family).
QString resolvedFamily(const LOGFONTW& record);

// A QFont for the record, as the drawing library makes it: face, em height (rounded to whole
// pixels), weight, italic, underline and strike-out. The record's width is ignored.
QFont fontFromLogFont(const LOGFONTW& record);

// The face of a font with a family and style bits (see DrawingFontStyle), without a size.
QFont faceFont(const QString& family, int style);
