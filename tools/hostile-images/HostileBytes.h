#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// Byte-level builders for damaged and unusual picture files: EXIF blocks (sound, corrupt or
// padded), JPEG marker segments, and headers of PNG, BMP, TIFF and GIF files that claim any
// pixel size while carrying almost no pixel data.
namespace HostileBytes {

// "Exif\0\0" + a little-endian TIFF structure whose first directory holds an image
// description of `paddingBytes` characters (0 for none) and, when orientation >= 0, the
// orientation item with that value.
QByteArray exifBlock(int orientation, int paddingBytes = 0);

// EXIF blocks damaged in different ways; none carries a readable orientation item.
enum class ExifDamage
{
    BadByteOrder,     // "XX" instead of "II" / "MM"
    DirectoryOutside, // first directory offset beyond the block
    HugeEntryCount,   // 65535 entries announced, a handful present
    ValueOutside,     // an item whose value offset and count point far outside the block
    DirectoryLoop,    // the next-directory link points back at the same directory
    CutShort,         // the block ends inside the TIFF header
};
QByteArray damagedExifBlock(ExifDamage damage);

// The whole segment: 0xFF, marker, two length bytes (big-endian, counting themselves), data.
QByteArray jpegSegment(int marker, const QByteArray& data);

// Inserts segments right after the start-of-image marker of a JPEG file.
QByteArray insertAfterStart(const QByteArray& jpeg, const QByteArray& segments);

// A JPEG whose frame header is changed to claim the given size (at most 65535 x 65535).
QByteArray withFrameSize(const QByteArray& jpeg, QSize size);

// A PNG file of the given size (8-bit RGB) with a valid header checksum and one tiny
// compressed data chunk that holds far fewer rows than the header claims.
QByteArray pngClaiming(QSize size);

// A 24-bit BMP header claiming the size, followed by a few bytes of pixels.
QByteArray bmpClaiming(QSize size);

// A little-endian baseline TIFF claiming the size (8-bit RGB, one strip) with a few bytes.
QByteArray tiffClaiming(QSize size);

// A GIF claiming the size (at most 65535 x 65535) with one tiny image block.
QByteArray gifClaiming(QSize size);

// A sound GIF of the picture: colours reduced to a 6 x 6 x 6 cube, LZW codes kept at 9 bits
// by a clear code before the table would grow.
QByteArray gif(const QImage& image);

// CRC-32 as PNG chunks use it.
quint32 crc32(const QByteArray& bytes);

// A PNG chunk: length, type, data, CRC.
QByteArray pngChunk(const char* type, const QByteArray& data);

// Inserts whole chunks right after the header chunk of a PNG file.
QByteArray insertAfterHeader(const QByteArray& png, const QByteArray& chunks);

// The data as a zlib stream (as PNG's compressed chunks hold it).
QByteArray zlibStream(const QByteArray& data);

// An 8-bit RGB TIFF whose directory comes first and the pixels last, in strips of `piece` rows
// or in tiles of `piece` x `piece` pixels (`piece` a multiple of 16 for tiles), uncompressed or
// Deflate-compressed, as cameras and many programs write them: a cut-off file keeps its header
// and loses rows.
QByteArray tiffWithDirectoryFirst(const QImage& image, bool tiled, int piece = 16, bool deflate = false);

} // namespace HostileBytes
