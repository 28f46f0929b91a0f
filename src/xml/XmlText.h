#pragma once

#include <QString>
#include <QStringView>

// Character classes, escaping and content decoding shared by the parser and the document.
namespace XmlText {

bool isSpace(QChar c);
// Tag names: lenient XML names. Letters, '_' and ':' start a name, as does any character
// outside ASCII that is not white space; digits, '-' and '.' may follow.
bool isNameStartChar(QChar c);
bool isNameChar(QChar c);
// True when the whole text reads back as one tag name.
bool isValidName(QStringView name);

// "&" -> "&amp;", "<" -> "&lt;", ">" -> "&gt;"; everything else is copied.
QString escape(QStringView value);

// Element content as text: the five named references and decimal or hexadecimal numeric
// references are decoded, CDATA sections give their content unchanged, comments and
// processing instructions are dropped. Unknown or malformed references stay as written.
QString decodeContent(QStringView content);

} // namespace XmlText
