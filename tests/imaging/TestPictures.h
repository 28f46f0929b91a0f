#pragma once

#include "services/imaging/JpegMetadata.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// Builds test pictures byte by byte (JPEG straight through libjpeg), independent of the code
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

// Encodes image (any format; for AdobeCmyk and AdobeYcck each pixel's colour becomes inverted CMYK inks as
// Adobe's programs store them) with the given segments written after the start of the file.
QByteArray encode(const QImage& image, Kind kind = Kind::Colour,
                  const QList<JpegMetadata::Segment>& segments = {}, int quality = 95);

// An APP1 payload "Exif\0\0" + TIFF header + IFD0 holding the orientation item.
QByteArray exifWithOrientation(int orientation, bool bigEndian = false);

// The segments of a JPEG file from its start to the start of scan: marker code and payload.
QList<JpegMetadata::Segment> scanSegments(const QByteArray& jpeg);

// The horizontal and vertical sampling factors of each component in the frame header.
QList<int> samplingFactors(const QByteArray& jpeg);

// A GIF file of the picture (at most 256 colours), written without compression.
QByteArray gif(const QImage& image);

// The start of a PNG file (signature, header chunk and a little data) claiming the given size.
QByteArray pngHeader(quint32 width, quint32 height);

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& data);

// A picture with a different colour in each quadrant and a gradient, to check placement.
QImage testPicture(int width, int height);

} // namespace TestPictures
