#include "services/imaging/PngMetadataChunks.h"

#include <cstring>

#include <zlib.h>

namespace PngMetadataChunks {

namespace {

constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
constexpr qsizetype kSignatureSize = 8;
constexpr qsizetype kHeaderChunkEnd = kSignatureSize + 8 + 13 + 4; // length, type, IHDR data, CRC

void appendU32(QByteArray& out, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(char((value >> shift) & 0xFF));
}

quint32 readU32(const QByteArray& data, qsizetype at)
{
    const auto* p = reinterpret_cast<const uchar*>(data.constData()) + at;
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

QByteArray chunk(const char* type, const QByteArray& data)
{
    QByteArray out;
    appendU32(out, quint32(data.size()));
    const QByteArray body = QByteArray(type, 4) + data;
    out += body;
    appendU32(out, quint32(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(body.constData()),
                                 uInt(body.size()))));
    return out;
}

QByteArray compressed(const QByteArray& data)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
        return QByteArray();
    out.truncate(qsizetype(size));
    return out;
}

// The keyword of XMP's international text chunk, and the most a text chunk may take for the
// reading side (PngDecoder) to keep it: the keyword and the text within its chunk limit.
constexpr char kXmpKeyword[] = "XML:com.adobe.xmp";
constexpr qsizetype kXmpKeywordSize = sizeof kXmpKeyword - 1;
constexpr qsizetype kMaxTextBytes = 8'000'000;

// An iTXt chunk's data for the XMP packet: keyword, 0, not compressed (0, 0), no language, 0,
// no translated keyword, 0, the packet as UTF-8. XMP's own rule wants it uncompressed.
QByteArray xmpText(const QByteArray& xmp)
{
    return QByteArray(kXmpKeyword, kXmpKeywordSize) + QByteArray("\0\0\0\0\0", 5) + xmp;
}

bool isXmpText(const QByteArray& png, qsizetype at, const QByteArray& type)
{
    return (type == "iTXt" || type == "tEXt" || type == "zTXt") &&
           png.mid(at + 8, kXmpKeywordSize + 1) == QByteArray(kXmpKeyword, kXmpKeywordSize + 1);
}

} // namespace

bool fitsXmp(const QByteArray& xmp)
{
    return !xmp.isEmpty() && xmp.size() + kXmpKeywordSize <= kMaxTextBytes && !xmp.contains('\0');
}

QByteArray embed(const QByteArray& png, const PhotoMetadata& metadata)
{
    const bool xmp = fitsXmp(metadata.xmp);
    if (metadata.icc.isEmpty() && metadata.exif.isEmpty() && !xmp)
        return png;
    if (png.size() < kHeaderChunkEnd || std::memcmp(png.constData(), kSignature, kSignatureSize) != 0 ||
        std::memcmp(png.constData() + 12, "IHDR", 4) != 0 || readU32(png, 8) != 13)
        return png;

    QByteArray inserted;
    if (!metadata.icc.isEmpty()) {
        const QByteArray profile = compressed(metadata.icc);
        if (!profile.isEmpty())
            inserted += chunk("iCCP", QByteArray("ICC Profile\0\0", 13) + profile);
    }
    if (!metadata.exif.isEmpty())
        inserted += chunk("eXIf", metadata.exif);
    if (xmp)
        inserted += chunk("iTXt", xmpText(metadata.xmp));

    QByteArray out;
    out.reserve(png.size() + inserted.size());
    out += png.left(kHeaderChunkEnd);
    out += inserted;
    for (qsizetype at = kHeaderChunkEnd; at < png.size();) {
        if (at + 12 > png.size()) {
            out += png.mid(at);
            break;
        }
        const qsizetype length = qsizetype(readU32(png, at)) + 12;
        if (length > png.size() - at) {
            out += png.mid(at);
            break;
        }
        const QByteArray type = png.mid(at + 4, 4);
        const bool replaced = (!metadata.icc.isEmpty() && (type == "iCCP" || type == "sRGB")) ||
                              (!metadata.exif.isEmpty() && type == "eXIf") ||
                              (xmp && isXmpText(png, at, type));
        if (!replaced)
            out += png.mid(at, length);
        at += length;
    }
    return out;
}

} // namespace PngMetadataChunks
