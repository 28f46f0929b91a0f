#pragma once

#include "services/imaging/JpegMetadata.h"
#include "support/TestFiles.h"

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
    AdobeYcck,
    Restart,      // colour, a restart marker after every row of blocks
    SeparateScans // colour, sequential, one scan per component
};

// Encodes the picture with the given segments after the start of the file. For the Adobe
// kinds each colour becomes inverted CMYK inks, as Adobe's programs store them.
QByteArray jpeg(const QImage& image, Kind kind = Kind::Colour,
                const QList<JpegMetadata::Segment>& segments = {}, int quality = 95);

// An APP1 payload "Exif\0\0" + TIFF header + IFD0 (Make, then the orientation item).
QByteArray exifWithOrientation(int orientation, bool bigEndian = false);

// A GIF file of the picture (at most 256 colours), written without compression.
QByteArray gif(const QImage& image);

// The picture as Qt's own writer for `format` ("BMP", "TIFF", ...) stores it.
QByteArray withQt(const QImage& image, const char* format);

// The segments of a JPEG file up to the start of scan: marker code and payload.
QList<JpegMetadata::Segment> scanSegments(const QByteArray& jpeg);

// A picture with a different colour in each quadrant and a gradient.
QImage quadrants(int width, int height);

// A picture with fine detail everywhere (gradients under noise), so that every part of a
// compressed file carries pixels of its own.
QImage detailed(int width, int height);

// Random colours from a xorshift generator started at `seed`: compresses badly, so that
// its files are large and slow to write.
QImage noise(int width, int height, quint32 seed);

// A GIF file of the picture (at most 256 colours) compressed as GIF writers do: LZW codes that
// grow from 9 to 12 bits, a clear code when the table is full.
QByteArray compressedGif(const QImage& image);

// A PNG file written by libpng with the layout and chunks given; the samples are made up from
// the seed (palette pictures may use entries beyond their palette).
struct PngRecipe
{
    int width = 37;
    int height = 23;
    int colourType = 2; // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlaced = false;
    // Palette pictures: entries in the palette (0: as many as the depth allows), and how many of
    // them carry an alpha value (-1: no tRNS chunk). Others: a tRNS colour key when >= 0.
    int paletteSize = 0;
    int transparency = -1;
    double gamma = 0;  // gAMA when > 0
    bool srgb = false; // sRGB
    bool chromaticities = false;
    QByteArray iccProfile;   // iCCP when not empty
    bool resolution = false; // pHYs, in dots per metre unless resolutionUnknown
    bool resolutionUnknown = false;
    bool offset = false; // oFFs, in pixels unless offsetInMicrometres
    bool offsetInMicrometres = false;
    bool significantBits = false; // sBIT
    bool background = false;      // bKGD
    bool time = false;            // tIME
    // Texts before the pixels and after them, compressed as `textCompression` says
    // (PNG_TEXT_COMPRESSION_NONE, _zTXt, PNG_ITXT_COMPRESSION_NONE, _zTXt).
    QList<QPair<QByteArray, QByteArray>> texts;
    QList<QPair<QByteArray, QByteArray>> textsAfterPixels;
    int textCompression = -1;
    QByteArray exif; // eXIf when not empty, before the pixels or after them
    bool exifAfterPixels = false;
    unsigned seed = 1;
};
QByteArray png(const PngRecipe& recipe);

} // namespace TestPictures
