#pragma once

#include <cmath>

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QList>
#include <QString>

#include "services/imaging/ImageEncoder.h"
#include "services/imaging/JpegMetadata.h"
#include "support/TestFiles.h"

// Photo files for the compositor tests, with hand-made EXIF data.
namespace TestPhotos {

// An APP1 payload: "Exif\0\0", a little-endian TIFF header and one IFD holding the
// orientation item (tag 274, SHORT).
inline QByteArray exifWithOrientation(int orientation)
{
    const unsigned char tiff[] = {'I',  'I',  42, 0, 8, 0, 0, 0, // header
                                  1,    0,                       // one entry
                                  0x12, 0x01, 3,  0, 1, 0, 0, 0, static_cast<unsigned char>(orientation),
                                  0,    0,    0,      // orientation
                                  0,    0,    0,  0}; // no next IFD
    return QByteArray("Exif\0\0", 6) + QByteArray(reinterpret_cast<const char*>(tiff), sizeof tiff);
}

// Where exifWithThumbnail keeps the thumbnail's length item and the thumbnail, in the payload.
constexpr int kThumbnailLengthAt = 6 + 48;
constexpr int kThumbnailAt = 6 + 56;

// An APP1 payload as cameras write it: IFD0 with the orientation item, linked to IFD1, whose
// JPEGInterchangeFormat items point to the thumbnail (JPEG data), which ends the block.
inline QByteArray exifWithThumbnail(int orientation, const QByteArray& thumbnail)
{
    QByteArray exif = exifWithOrientation(orientation);
    const auto put32 = [&](int at, quint32 value) {
        for (int i = 0; i < 4; ++i)
            exif[at + i] = char(value >> (8 * i) & 0xFF);
    };
    put32(6 + 22, 26);                                                       // IFD0's link to IFD1
    const unsigned char ifd1[] = {2,    0,                                   // two entries
                                  0x01, 0x02, 4, 0, 1, 0, 0, 0, 56, 0, 0, 0, // offset
                                  0x02, 0x02, 4, 0, 1, 0, 0, 0, 0,  0, 0, 0, // length
                                  0,    0,    0, 0};                         // no next IFD
    exif += QByteArray(reinterpret_cast<const char*>(ifd1), sizeof ifd1);
    put32(kThumbnailLengthAt, quint32(thumbnail.size()));
    return exif + thumbnail;
}

// Writes the picture as a JPEG file with the segments after the start of the file.
inline bool writeJpeg(const QString& path, const QImage& image,
                      const QList<JpegMetadata::Segment>& segments = {})
{
    ImageEncoder::Options options;
    options.metadata.segments = segments;
    return ImageEncoder::write(image, path, ImageEncoder::FileFormat::Jpeg, options).ok();
}

// The APP1, APP2 and APP13 segments of a JPEG file, in file order, up to the start of scan.
inline QList<JpegMetadata::Segment> keptSegments(const QByteArray& jpeg)
{
    QList<JpegMetadata::Segment> kept;
    qsizetype pos = 2;
    while (pos + 4 <= jpeg.size() && uchar(jpeg[pos]) == 0xFF) {
        const int marker = uchar(jpeg[pos + 1]);
        const int length = (uchar(jpeg[pos + 2]) << 8) | uchar(jpeg[pos + 3]);
        if (marker == 0xDA || length < 2 || pos + 2 + length > jpeg.size())
            break;
        if (JpegMetadata::isKeptMarker(marker))
            kept.append({marker, jpeg.mid(pos + 4, length - 2)});
        pos += 2 + length;
    }
    return kept;
}

// Detail everywhere, in colour, so that any pixel decoded, drawn or encoded differently shows
// (a block encoded again, a row taken from the wrong place).
inline QImage detailedPhoto(const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb(int(128 + 90 * std::sin(x / 7.0)), (x * 3 ^ y * 5) & 0xFF, (x + 2 * y) % 256);
    }
    return image;
}

} // namespace TestPhotos
