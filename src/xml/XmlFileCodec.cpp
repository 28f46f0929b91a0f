#include "xml/XmlFileCodec.h"

#include "services/files/AtomicFileWriter.h"
#include "xml/IconvConverter.h"
#include "xml/XmlDocument.h"
#include "xml/XmlEncodingNames.h"
#include "xml/XmlLoadResult.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

namespace XmlFileCodec {

namespace {

// How much of the start of a file is searched for a mark or a declared encoding.
constexpr qsizetype kHeadSize = 1024;

constexpr QByteArrayView kUtf8Mark("\xEF\xBB\xBF");
constexpr QByteArrayView kUtf16LeMark("\xFF\xFE");
constexpr QByteArrayView kUtf16BeMark("\xFE\xFF");

QString utf16ToText(QByteArrayView bytes, bool bigEndian, XmlLoadResult& record)
{
    if (bytes.size() % 2 != 0) {
        record.add(QStringLiteral("truncation_error"),
                   {{QStringLiteral("odd_byte_dropped"), QStringLiteral("1")}});
        bytes.chop(1);
    }
    QString text(bytes.size() / 2, Qt::Uninitialized);
    if (bigEndian) {
        qFromBigEndian<char16_t>(bytes.data(), text.size(), text.data());
        record.add(QStringLiteral("endian_swap"));
    } else {
        qFromLittleEndian<char16_t>(bytes.data(), text.size(), text.data());
    }
    return text;
}

QByteArray textToUtf16(const QString& text, bool bigEndian)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    if (bigEndian)
        qToBigEndian<char16_t>(text.constData(), text.size(), bytes.data());
    else
        qToLittleEndian<char16_t>(text.constData(), text.size(), bytes.data());
    return bytes;
}

QString convert(const QByteArray& bytes, const QByteArray& encoding, XmlLoadResult& record)
{
    QString text;
    const IconvConverter::Result result = IconvConverter::toUtf16(bytes, encoding, text);
    if (!result.ok) {
        // The encodings this layer names are all built into iconv; should one be missing,
        // Latin-1 still keeps every byte.
        text = QString::fromLatin1(bytes);
    }
    record.add(QStringLiteral("converted_to"), {{QStringLiteral("encoding"), QString::fromLatin1(encoding)}});
    if (result.losses > 0)
        record.add(QStringLiteral("conversion_loss"),
                   {{QStringLiteral("count"), QString::number(result.losses)}});
    return text;
}

// True when the encoding writes the characters of XML markup as their ASCII bytes. Others
// (UTF-7, EBCDIC code pages) would turn "<" and "=" into other bytes: a file saved in them
// could not be read back, since the declaration that names them would be unreadable too.
bool writesMarkupAsAscii(const QByteArray& encoding)
{
    static const QString markup =
        QStringLiteral("<?xml version=\"1.0\" encoding='UTF-8'?>\r\n\t<a_b-c.d:e>&amp;#;[]!</a_b-c.d:e> "
                       "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    QByteArray bytes;
    const IconvConverter::Result result = IconvConverter::fromUtf16(markup, encoding, bytes);
    return result.ok && result.losses == 0 && bytes == markup.toLatin1();
}

qsizetype removeNulls(QString& text)
{
    const qsizetype before = text.size();
    text.remove(QChar(0));
    return before - text.size();
}

} // namespace

bool readFile(const QString& path, QByteArray& bytes, XmlLoadResult& record)
{
    bytes.clear();
    // Only regular files: a folder cannot be read, and opening a pipe or a device could
    // block or never end.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        record.add(
            QStringLiteral("file_error"),
            {{QStringLiteral("path"), path}, {QStringLiteral("msg"), QStringLiteral("Not a regular file")}});
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        record.add(QStringLiteral("file_error"),
                   {{QStringLiteral("path"), path}, {QStringLiteral("msg"), file.errorString()}});
        return false;
    }
    const qint64 size = file.size();
    if (size > kMaxFileSize) {
        record.add(QStringLiteral("truncation_error"),
                   {{QStringLiteral("path"), path}, {QStringLiteral("length"), QString::number(size)}});
        return false;
    }
    // Read in steps rather than with one buffer of the largest size allowed: the file may
    // still grow while it is read, and most files are a few kilobytes.
    qsizetype step = qsizetype(size) + 1; // a file that does not change is read in one step
    while (true) {
        const qsizetype used = bytes.size();
        bytes.resize(used + step);
        const qint64 got = file.read(bytes.data() + used, step);
        step = qsizetype(64) << 10;
        bytes.resize(used + qMax<qint64>(got, 0));
        if (got <= 0 || bytes.size() > kMaxFileSize)
            break;
    }
    if (file.error() != QFileDevice::NoError || bytes.size() > kMaxFileSize) {
        record.add(QStringLiteral("truncation_error"),
                   {{QStringLiteral("path"), path}, {QStringLiteral("msg"), file.errorString()}});
        bytes.clear();
        return false;
    }
    bytes.squeeze();
    record.add(QStringLiteral("read"),
               {{QStringLiteral("path"), path}, {QStringLiteral("length"), QString::number(bytes.size())}});
    return true;
}

bool writeFile(const QString& path, const QByteArray& bytes, XmlLoadResult& record)
{
    AtomicFileWriter file(path, AtomicFileWriter::Naming::BesideTarget);
    if (!file.open() || !file.write(bytes.constData(), bytes.size()) || !file.commit()) {
        record.add(QStringLiteral("file_error"),
                   {{QStringLiteral("path"), path}, {QStringLiteral("msg"), file.status().sentence()}});
        return false;
    }
    record.add(QStringLiteral("write"),
               {{QStringLiteral("path"), path}, {QStringLiteral("length"), QString::number(bytes.size())}});
    return true;
}

QString decode(const QByteArray& bytes, int& flags, XmlLoadResult& record)
{
    flags = 0;
    QByteArray encoding;
    QByteArrayView body(bytes);
    if (bytes.startsWith(kUtf8Mark)) {
        flags = XmlDocument::EncodingUtf8Mark;
        encoding = "UTF-8";
        body = body.sliced(3);
    } else if (bytes.startsWith(kUtf16LeMark)) {
        flags = XmlDocument::EncodingUtf16Le;
        encoding = "UTF-16LE";
        body = body.sliced(2);
    } else if (bytes.startsWith(kUtf16BeMark)) {
        flags = XmlDocument::EncodingUtf16Be;
        encoding = "UTF-16BE";
        body = body.sliced(2);
    } else if (bytes.size() >= 2 && bytes.at(0) == '<' && bytes.at(1) == '\0') {
        // UTF-16 without a mark shows itself by the zero byte beside the first '<'.
        encoding = "UTF-16LE";
    } else if (bytes.size() >= 2 && bytes.at(0) == '\0' && bytes.at(1) == '<') {
        encoding = "UTF-16BE";
    } else {
        const QString declared =
            XmlEncodingNames::findDeclaredEncoding(QString::fromUtf8(bytes.left(kHeadSize)));
        encoding = XmlEncodingNames::iconvName(declared);
        // A file whose start reads as ASCII cannot be in a 16- or 32-bit encoding, nor in
        // one that writes markup differently (UTF-7), whatever it says; it is then read as if
        // it declared nothing. Such files are also saved as UTF-8 (see Encode).
        if (XmlEncodingNames::isUtf16(encoding) || XmlEncodingNames::isUtf32(encoding) ||
            (!encoding.isEmpty() && !writesMarkupAsAscii(encoding)))
            encoding.clear();
    }

    QString text;
    bool bigEndian = false;
    if (XmlEncodingNames::isUtf16(encoding, &bigEndian)) {
        text = utf16ToText(body, bigEndian, record);
    } else {
        const QByteArray content = body.toByteArray();
        if (encoding.isEmpty()) {
            const IconvConverter::Result result = IconvConverter::toUtf16(content, "UTF-8", text);
            if (result.ok && result.losses == 0) {
                record.add(QStringLiteral("utf8_detection"));
                record.add(QStringLiteral("converted_to"),
                           {{QStringLiteral("encoding"), QStringLiteral("UTF-8")}});
            } else {
                text = convert(content, XmlEncodingNames::kFallbackEncoding, record);
            }
        } else {
            text = convert(content, encoding, record);
        }
    }
    const qsizetype nulls = removeNulls(text);
    if (nulls > 0)
        record.add(QStringLiteral("nulls_removed"), {{QStringLiteral("count"), QString::number(nulls)}});
    return text;
}

QByteArray encode(const QString& text, int flags, XmlLoadResult& record)
{
    if (flags & XmlDocument::EncodingUtf16Le)
        return kUtf16LeMark.toByteArray() + textToUtf16(text, false);
    if (flags & XmlDocument::EncodingUtf16Be)
        return kUtf16BeMark.toByteArray() + textToUtf16(text, true);

    QByteArray mark;
    QByteArray encoding;
    if (flags & XmlDocument::EncodingUtf8Mark) {
        mark = kUtf8Mark.toByteArray();
        encoding = "UTF-8";
    } else {
        encoding = XmlEncodingNames::iconvName(
            XmlEncodingNames::findDeclaredEncoding(QStringView(text).left(kHeadSize)));
        // A 32-bit declaration is written as UTF-8, which is also how such a file reads back.
        if (encoding.isEmpty() || XmlEncodingNames::isUtf32(encoding))
            encoding = "UTF-8";
        bool bigEndian = false;
        if (XmlEncodingNames::isUtf16(encoding, &bigEndian))
            return textToUtf16(text, bigEndian);
        // So is a declaration of an encoding that would make the markup unreadable.
        if (!writesMarkupAsAscii(encoding))
            encoding = "UTF-8";
    }
    QByteArray bytes;
    IconvConverter::Result result = IconvConverter::fromUtf16(text, encoding, bytes);
    if (!result.ok) {
        encoding = "UTF-8";
        result = IconvConverter::fromUtf16(text, encoding, bytes);
    }
    record.add(QStringLiteral("converted_from"),
               {{QStringLiteral("encoding"), QString::fromLatin1(encoding)}});
    if (result.losses > 0)
        record.add(QStringLiteral("conversion_loss"),
                   {{QStringLiteral("count"), QString::number(result.losses)}});
    return mark + bytes;
}

} // namespace XmlFileCodec
