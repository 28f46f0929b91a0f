#pragma once

#include <QByteArray>
#include <QString>

class XmlLoadResult;

// Bytes of an XML file to document text and back: byte-order marks, declared encodings,
// UTF-8 detection with a single-byte fallback, and the file reads and atomic writes.
namespace XmlFileCodec {

// Files above this size are not read: the program's own files are a few kilobytes.
inline constexpr qsizetype kMaxFileSize = qsizetype(256) << 20;

// Reads a regular file whole. False (with a "file_error" or "truncation_error" entry) when it
// cannot be opened, is not a regular file, is too large or cannot be read to its end.
bool readFile(const QString& path, QByteArray& bytes, XmlLoadResult& record);
// Writes through a temporary file in the same folder that replaces `path` only when every
// byte was written, so a failed write leaves the old file as it was. Temporary files that
// earlier saves of `path` left when they were killed are removed first.
bool writeFile(const QString& path, const QByteArray& bytes, XmlLoadResult& record);

// File bytes to text; `flags` receives the byte-order mark found (XmlDocument's flags).
QString decode(const QByteArray& bytes, int& flags, XmlLoadResult& record);
// Text to file bytes: the mark in `flags` and its encoding, else the declared encoding
// (UTF-8 when none) without a mark.
QByteArray encode(const QString& text, int flags, XmlLoadResult& record);

} // namespace XmlFileCodec
