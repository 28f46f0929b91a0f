#include "HostileBytes.h"

#include <QList>
#include <QtEndian>

#include <array>

namespace HostileBytes {

namespace {

void put16le(QByteArray& out, quint16 value)
{
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
}

void put32le(QByteArray& out, quint32 value)
{
    put16le(out, quint16(value & 0xFFFF));
    put16le(out, quint16(value >> 16));
}

void put16be(QByteArray& out, quint16 value)
{
    out.append(char(value >> 8));
    out.append(char(value & 0xFF));
}

void put32be(QByteArray& out, quint32 value)
{
    put16be(out, quint16(value >> 16));
    put16be(out, quint16(value & 0xFFFF));
}

const QByteArray kExifHeader("Exif\0\0", 6);

// One 12-byte directory entry, little-endian.
void putEntry(QByteArray& out, quint16 tag, quint16 type, quint32 count, quint32 valueOrOffset)
{
    put16le(out, tag);
    put16le(out, type);
    put32le(out, count);
    put32le(out, valueOrOffset);
}

constexpr quint16 kShort = 3;
constexpr quint16 kLong = 4;
constexpr quint16 kAscii = 2;

} // namespace

quint32 crc32(const QByteArray& bytes)
{
    // Table-driven: chunks of a hundred megabytes take a fraction of a second.
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int bit = 0; bit < 8; ++bit)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
            t[n] = c;
        }
        return t;
    }();
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes)
        crc = table[(crc ^ quint8(byte)) & 0xFFu] ^ (crc >> 8);
    return ~crc;
}

QByteArray pngChunk(const char* type, const QByteArray& data)
{
    QByteArray chunk;
    chunk.reserve(data.size() + 12);
    put32be(chunk, quint32(data.size()));
    const QByteArray body = QByteArray(type, 4) + data;
    chunk += body;
    put32be(chunk, crc32(body));
    return chunk;
}

QByteArray insertAfterHeader(const QByteArray& png, const QByteArray& chunks)
{
    constexpr qsizetype kHeaderEnd = 8 + 12 + 13; // signature, IHDR
    return png.left(kHeaderEnd) + chunks + png.mid(kHeaderEnd);
}

QByteArray zlibStream(const QByteArray& data)
{
    return qCompress(data, 9).mid(4); // qCompress puts the length in front of the stream
}

QByteArray tiffWithDirectoryFirst(const QImage& image, bool tiled, int piece, bool deflate)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const int w = rgb.width();
    const int h = rgb.height();
    // Strips of `piece` rows, or tiles of piece x piece (zero beyond the picture's edge).
    QList<QByteArray> pieces;
    if (!tiled) {
        for (int y = 0; y < h; y += piece) {
            QByteArray strip;
            for (int row = y; row < qMin(h, y + piece); ++row)
                strip.append(reinterpret_cast<const char*>(rgb.constScanLine(row)), w * 3);
            pieces.append(strip);
        }
    } else {
        for (int ty = 0; ty < h; ty += piece) {
            for (int tx = 0; tx < w; tx += piece) {
                QByteArray tile(piece * piece * 3, '\0');
                for (int row = ty; row < qMin(h, ty + piece); ++row)
                    tile.replace((row - ty) * piece * 3, (qMin(w, tx + piece) - tx) * 3,
                                 reinterpret_cast<const char*>(rgb.constScanLine(row)) + tx * 3,
                                 (qMin(w, tx + piece) - tx) * 3);
                pieces.append(tile);
            }
        }
    }
    if (deflate) {
        for (QByteArray& p : pieces)
            p = zlibStream(p);
    }
    const quint32 count = quint32(pieces.size());
    const quint16 entries = 10;
    const quint32 bitsAt = 8 + 2 + 12u * entries + 4;
    const quint32 offsetsAt = bitsAt + 6;
    const quint32 countsAt = offsetsAt + 4 * count;
    const quint32 dataAt = countsAt + 4 * count;
    QByteArray tiff("II*\0", 4);
    put32le(tiff, 8);
    put16le(tiff, entries);
    putEntry(tiff, 256, kLong, 1, quint32(w));
    putEntry(tiff, 257, kLong, 1, quint32(h));
    putEntry(tiff, 258, kShort, 3, bitsAt);
    putEntry(tiff, 259, kShort, 1, deflate ? 8 : 1); // Deflate or no compression
    putEntry(tiff, 262, kShort, 1, 2);               // RGB
    if (!tiled) {
        putEntry(tiff, 273, kLong, count, count == 1 ? dataAt : offsetsAt);
        putEntry(tiff, 277, kShort, 1, 3);
        putEntry(tiff, 278, kLong, 1, quint32(piece));
        putEntry(tiff, 279, kLong, count, count == 1 ? quint32(pieces[0].size()) : countsAt);
        putEntry(tiff, 284, kShort, 1, 1);
    } else {
        putEntry(tiff, 277, kShort, 1, 3);
        putEntry(tiff, 322, kLong, 1, quint32(piece));
        putEntry(tiff, 323, kLong, 1, quint32(piece));
        putEntry(tiff, 324, kLong, count, count == 1 ? dataAt : offsetsAt);
        putEntry(tiff, 325, kLong, count, count == 1 ? quint32(pieces[0].size()) : countsAt);
    }
    put32le(tiff, 0);
    for (int i = 0; i < 3; ++i)
        put16le(tiff, 8);
    quint32 at = dataAt;
    for (const QByteArray& p : std::as_const(pieces)) {
        put32le(tiff, at);
        at += quint32(p.size());
    }
    for (const QByteArray& p : std::as_const(pieces))
        put32le(tiff, quint32(p.size()));
    for (const QByteArray& p : std::as_const(pieces))
        tiff += p;
    return tiff;
}

QByteArray exifBlock(int orientation, int paddingBytes)
{
    const bool hasOrientation = orientation >= 0;
    const bool hasPadding = paddingBytes > 0;
    const quint16 entries = quint16(int(hasOrientation) + int(hasPadding));
    QByteArray tiff("II*\0", 4);
    put32le(tiff, 8);
    put16le(tiff, entries);
    const quint32 dataOffset = 8 + 2 + 12u * entries + 4;
    // Entries in ascending tag order: image description (0x010E), orientation (0x0112).
    if (hasPadding)
        putEntry(tiff, 0x010E, kAscii, quint32(paddingBytes), dataOffset);
    if (hasOrientation)
        putEntry(tiff, 0x0112, kShort, 1, quint32(orientation) & 0xFFFF);
    put32le(tiff, 0); // no further directory
    if (hasPadding) {
        QByteArray text(paddingBytes - 1, 'x');
        for (int i = 0; i < text.size(); ++i)
            text[i] = char('a' + i % 26);
        tiff += text;
        tiff.append('\0');
    }
    return kExifHeader + tiff;
}

QByteArray damagedExifBlock(ExifDamage damage)
{
    QByteArray tiff("II*\0", 4);
    switch (damage) {
    case ExifDamage::BadByteOrder:
        tiff = QByteArray("XX*\0", 4);
        put32le(tiff, 8);
        put16le(tiff, 1);
        putEntry(tiff, 0x0112, kShort, 1, 6);
        put32le(tiff, 0);
        break;
    case ExifDamage::DirectoryOutside:
        put32le(tiff, 0x7FFFFFF0);
        put16le(tiff, 0);
        break;
    case ExifDamage::HugeEntryCount:
        put32le(tiff, 8);
        put16le(tiff, 0xFFFF);
        for (int i = 0; i < 3; ++i)
            putEntry(tiff, quint16(0x010F + i), kAscii, 200, 0xFFFFFF00u);
        break;
    case ExifDamage::ValueOutside:
        put32le(tiff, 8);
        put16le(tiff, 2);
        putEntry(tiff, 0x010F, kAscii, 0xFFFFFFFFu, 0xFFFFFFF0u);
        putEntry(tiff, 0x8769, kLong, 1, 0x7FFFFFFFu); // the EXIF sub-directory, far away
        put32le(tiff, 0);
        break;
    case ExifDamage::DirectoryLoop:
        put32le(tiff, 8);
        put16le(tiff, 1);
        putEntry(tiff, 0x010F, kAscii, 4, 0x00414141);
        put32le(tiff, 8); // next directory: this one again
        break;
    case ExifDamage::CutShort:
        tiff = QByteArray("MM\0", 3);
        break;
    }
    return kExifHeader + tiff;
}

QByteArray jpegSegment(int marker, const QByteArray& data)
{
    QByteArray segment;
    segment.append(char(0xFF));
    segment.append(char(marker));
    put16be(segment, quint16(data.size() + 2));
    return segment + data;
}

QByteArray insertAfterStart(const QByteArray& jpeg, const QByteArray& segments)
{
    return jpeg.left(2) + segments + jpeg.mid(2);
}

QByteArray withFrameSize(const QByteArray& jpeg, QSize size)
{
    QByteArray out = jpeg;
    // Walk the segments to the first start-of-frame marker (0xC0..0xCF except C4, C8, CC).
    qsizetype pos = 2;
    while (pos + 4 <= out.size() && quint8(out[pos]) == 0xFF) {
        const int marker = quint8(out[pos + 1]);
        const int length = (quint8(out[pos + 2]) << 8) | quint8(out[pos + 3]);
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && pos + 9 <= out.size()) {
            qToBigEndian<quint16>(quint16(size.height()), out.data() + pos + 5);
            qToBigEndian<quint16>(quint16(size.width()), out.data() + pos + 7);
            return out;
        }
        pos += 2 + length;
    }
    return out;
}

QByteArray pngClaiming(QSize size)
{
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    put32be(header, quint32(size.width()));
    put32be(header, quint32(size.height()));
    header.append(char(8)); // bit depth
    header.append(char(2)); // RGB
    header.append(char(0));
    header.append(char(0));
    header.append(char(0));
    png += pngChunk("IHDR", header);
    // A few rows' worth of a zlib stream (stored block of zeros).
    QByteArray row(64, '\0');
    QByteArray zlib("\x78\x01", 2);
    zlib.append(char(1)); // final stored block
    put16le(zlib, quint16(row.size()));
    put16le(zlib, quint16(~row.size()));
    zlib += row;
    put32be(zlib, 0x00400001u); // Adler-32 of 64 zero bytes
    png += pngChunk("IDAT", zlib);
    png += pngChunk("IEND", QByteArray());
    return png;
}

QByteArray bmpClaiming(QSize size)
{
    QByteArray bmp("BM", 2);
    const quint32 pixelOffset = 14 + 40;
    put32le(bmp, pixelOffset + 64); // file size as written
    put32le(bmp, 0);
    put32le(bmp, pixelOffset);
    put32le(bmp, 40);
    put32le(bmp, quint32(size.width()));
    put32le(bmp, quint32(size.height()));
    put16le(bmp, 1);  // planes
    put16le(bmp, 24); // bits per pixel
    put32le(bmp, 0);  // no compression
    put32le(bmp, 0);
    put32le(bmp, 2835);
    put32le(bmp, 2835);
    put32le(bmp, 0);
    put32le(bmp, 0);
    bmp += QByteArray(64, '\x7f');
    return bmp;
}

QByteArray tiffClaiming(QSize size)
{
    QByteArray tiff("II*\0", 4);
    put32le(tiff, 8);
    const quint16 entries = 10;
    put16le(tiff, entries);
    const quint32 after = 8 + 2 + 12u * entries + 4;
    const quint32 bitsOffset = after; // three SHORTs: 8, 8, 8
    const quint32 pixelOffset = after + 6;
    putEntry(tiff, 256, kLong, 1, quint32(size.width()));
    putEntry(tiff, 257, kLong, 1, quint32(size.height()));
    putEntry(tiff, 258, kShort, 3, bitsOffset);
    putEntry(tiff, 259, kShort, 1, 1); // no compression
    putEntry(tiff, 262, kShort, 1, 2); // RGB
    putEntry(tiff, 273, kLong, 1, pixelOffset);
    putEntry(tiff, 277, kShort, 1, 3);
    putEntry(tiff, 278, kLong, 1, quint32(size.height()));
    putEntry(tiff, 279, kLong, 1, quint32(quint64(size.width()) * 3 * quint64(size.height()) & 0xFFFFFFFFu));
    putEntry(tiff, 284, kShort, 1, 1);
    put32le(tiff, 0);
    put16le(tiff, 8);
    put16le(tiff, 8);
    put16le(tiff, 8);
    tiff += QByteArray(64, '\x40');
    return tiff;
}

QByteArray gifClaiming(QSize size)
{
    QByteArray gif("GIF89a", 6);
    put16le(gif, quint16(size.width()));
    put16le(gif, quint16(size.height()));
    gif.append(char(0x80)); // global colour table of 2 entries
    gif.append(char(0));
    gif.append(char(0));
    gif += QByteArray("\x00\x00\x00\xff\xff\xff", 6);
    gif.append(char(0x2C)); // image descriptor
    put16le(gif, 0);
    put16le(gif, 0);
    put16le(gif, quint16(size.width()));
    put16le(gif, quint16(size.height()));
    gif.append(char(0));
    gif.append(char(2));                      // LZW minimum code size
    gif += QByteArray("\x02\x4c\x01\x00", 4); // clear, one pixel, end
    gif.append(char(0x3B));
    return gif;
}

QByteArray gif(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QByteArray out("GIF89a", 6);
    put16le(out, quint16(rgb.width()));
    put16le(out, quint16(rgb.height()));
    out.append(char(0xF7)); // global table of 256 entries, 8 bits per channel
    out.append(char(0));
    out.append(char(0));
    for (int i = 0; i < 256; ++i) {
        const int r = i < 216 ? (i / 36) * 51 : 0;
        const int g = i < 216 ? (i / 6 % 6) * 51 : 0;
        const int b = i < 216 ? (i % 6) * 51 : 0;
        out.append(char(r));
        out.append(char(g));
        out.append(char(b));
    }
    out.append(char(0x2C));
    put16le(out, 0);
    put16le(out, 0);
    put16le(out, quint16(rgb.width()));
    put16le(out, quint16(rgb.height()));
    out.append(char(0));
    out.append(char(8)); // minimum code size

    // 9-bit codes: clear (256), literals, and a clear again before code 511 would be made.
    QByteArray codes;
    quint32 bits = 0;
    int bitCount = 0;
    const auto putCode = [&](int code) {
        bits |= quint32(code) << bitCount;
        bitCount += 9;
        while (bitCount >= 8) {
            codes.append(char(bits & 0xFF));
            bits >>= 8;
            bitCount -= 8;
        }
    };
    putCode(256);
    int sinceClear = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            const int index =
                (qRed(line[x]) + 25) / 51 * 36 + (qGreen(line[x]) + 25) / 51 * 6 + (qBlue(line[x]) + 25) / 51;
            if (sinceClear == 254) {
                putCode(256);
                sinceClear = 0;
            }
            putCode(index);
            ++sinceClear;
        }
    }
    putCode(257); // end of information
    if (bitCount > 0)
        codes.append(char(bits & 0xFF));
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        out.append(char(block.size()));
        out += block;
    }
    out.append(char(0));
    out.append(char(0x3B));
    return out;
}

} // namespace HostileBytes
