#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// Encoding names as they appear in XML declarations and HTML meta tags, and their iconv names.
namespace XmlEncodingNames {

// The single-byte code page used when a file declares nothing and is not valid UTF-8.
inline constexpr char kFallbackEncoding[] = "CP1252";

// The iconv name for an IANA or Windows code page name or alias, matched without regard to
// case; names that iconv knows by themselves pass through. Empty for names shorter than two
// characters and for names nobody knows.
QByteArray iconvName(QStringView name);

// True when an iconv name (as returned above) is one of the UTF-16 forms; `bigEndian` tells
// which byte order it means (plain "UTF-16" is taken as little endian).
bool isUtf16(const QByteArray& iconvName, bool* bigEndian = nullptr);
bool isUtf32(const QByteArray& iconvName);

// The encoding a document declares in its first characters: the "encoding" of a leading XML
// declaration or, in an HTML document, the charset in the "content" of a meta element whose
// "http-equiv" is "Content-Type". Empty when there is none.
QString findDeclaredEncoding(QStringView head);

} // namespace XmlEncodingNames
