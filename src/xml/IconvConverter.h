#pragma once

#include <QByteArray>
#include <QString>

// Conversions between code pages and UTF-16 through iconv. Both directions are lenient: a
// byte sequence that cannot be read becomes U+FFFD, a character that cannot be written
// becomes '?', and the number of such places is reported.
namespace IconvConverter {

struct Result
{
    bool ok = false; // false when iconv does not know the encoding
    qsizetype losses = 0;
};

Result toUtf16(const QByteArray& bytes, const QByteArray& encoding, QString& text);
Result fromUtf16(const QString& text, const QByteArray& encoding, QByteArray& bytes);

} // namespace IconvConverter
