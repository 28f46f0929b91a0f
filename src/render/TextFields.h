#pragma once

#include <QString>

struct TextFieldValues;

// Fills the fields of a text layer's text (a layer with BTextTokens on):
//   {name} {file} {folder}             the photo's file name without and with its extension,
//                                       and its folder's name
//   {date} {date:FORMAT} {time} {year} the capture time (FORMAT in Qt's date-format letters,
//                                       default yyyy-MM-dd; {time} is HH:mm, {year} yyyy)
//   {camera} {lens} {exposure} {artist} {copyright}
//   {exif:KEY} {xmp:KEY}               any tag by its Exiv2 key
//   {width} {height}                   the output's size in pixels
//   {counter} {counter:START} {counter:START:DIGITS}
//                                       the photo's place in the run, from START (default 1),
//                                       padded with zeros to DIGITS (0 to 20)
//   {{ and }}                          a brace
// A field without a value gives an empty text; a name that is not a field (or a counter with
// a START or DIGITS that is not a number in range) is drawn as written, braces included, so a
// typo shows; a brace that opens no field is drawn as it is. Every value is cleaned (control
// and format characters removed, at most kMaxFieldUnits UTF-16 units) and the filled text is
// cut to kMaxTextUnits units.
namespace TextFields {

constexpr int kMaxFieldUnits = 256;
constexpr int kMaxTextUnits = 2048;

QString fill(const QString& text, const TextFieldValues& values);

// `value` without control characters, line or paragraph separators, unpaired surrogates and
// the format characters that change how the text around it is drawn (bidirectional controls
// among them; joiners stay inside the value), cut to kMaxFieldUnits units (never inside a
// surrogate pair).
QString clean(const QString& value);

} // namespace TextFields
