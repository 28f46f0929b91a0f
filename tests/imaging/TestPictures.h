#pragma once

#include "services/imaging/JpegMetadata.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// Test pictures built byte by byte (JPEG straight through libjpeg), independent of the code
// under test.
namespace TestPictures {

enum class Kind
{
    Colour,
    Progressive,
    Grayscale,
    AdobeCmyk,
    AdobeYcck
};

// Encodes the picture with the given segments after the start of the file. For the Adobe
// kinds each colour becomes inverted CMYK inks, as Adobe's programs store them.
QByteArray jpeg(const QImage& image, Kind kind = Kind::Colour,
                const QList<JpegMetadata::Segment>& segments = {}, int quality = 95);

// An APP1 payload "Exif\0\0" + TIFF header + IFD0 (Make, then the orientation item).
QByteArray exifWithOrientation(int orientation, bool bigEndian = false);

// A GIF file of the picture (at most 256 colours), written without compression.
QByteArray gif(const QImage& image);

// The segments of a JPEG file up to the start of scan: marker code and payload.
QList<JpegMetadata::Segment> scanSegments(const QByteArray& jpeg);

// A picture with a different colour in each quadrant and a gradient.
QImage quadrants(int width, int height);

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& data);

} // namespace TestPictures
