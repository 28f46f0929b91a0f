#pragma once

#include "services/files/Outcome.h"
#include "services/imaging/JpegMetadata.h"
#include "services/imaging/PhotoMetadata.h"
#include "services/imaging/PixelRows.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

class JpegCoefficients;

// Writing pictures to files. Every write goes to a temporary file in the target folder which
// is renamed over the target only when it is complete, so a failed write never leaves a
// partial file under the target name and an earlier file of that name survives it. An
// existing file of the target name is replaced.
namespace ImageEncoder {

// The output formats, numbered as the output settings number them.
enum class FileFormat : int
{
    Jpeg = 0,
    Png = 1,
    Bmp = 2,
    Tiff = 3,
    Webp = 4
};

// The format for an output settings number, or none outside 0..4.
std::optional<FileFormat> formatFromNumber(int number);
// The file name extension without the dot: "jpg", "png", "bmp", "tiff", "webp".
QString extension(FileFormat format);

struct Options
{
    // JPEG only: the segments written right after the start of the file (EXIF block first).
    JpegMetadata metadata;
    int jpegQuality = 98;
    // JPEG: the luma's sampling factors over the chroma's, 2 x 2 for 4:2:0 chroma subsampling,
    // 2 x 1 for 4:2:2, 1 x 1 for 4:4:4 (each factor 1..4; anything else writes 4:2:0).
    QSize jpegSampling = QSize(2, 2);
    // JPEG: progressive scans (libjpeg's standard progression) instead of one baseline scan.
    bool jpegProgressive = false;
    // JPEG: Huffman tables fitted to the picture, for a smaller file with the same pixels; off,
    // the standard tables of the JPEG standard's annex K.
    bool jpegFittedTables = true;
    // PNG, TIFF and WebP: the photo's metadata the file carries. PNG takes the ICC profile
    // (iCCP), the EXIF block (eXIf) and the XMP packet (iTXt), TIFF all four (see TiffEncoder),
    // WebP the ICC profile, EXIF and XMP. BMP takes none.
    PhotoMetadata embedded;
    int webpQuality = 90;
    // WebP: lossless instead of lossy at webpQuality.
    bool webpLossless = false;
    // When set, a target that is this same file (by path, link or hard link) is refused.
    QString sourcePath;
    // Flush the data to the disk before the rename (slower; survives a power loss).
    bool syncToDisk = false;
    // Off: a file that holds the target name when the output is complete is left as it is and
    // the write fails (see AtomicFileWriter::setReplaceExisting).
    bool replaceExisting = true;
};

// Encodes the picture in the given format to path. Any QImage format is accepted; JPEG
// stores the colour channels and ignores alpha, as the JPEG options say.
Outcome write(const QImage& image, const QString& path, FileFormat format,
              const Options& options = Options());

// Writes a JPEG's coefficients again as a JPEG file (lossless transcoding, see
// JpegCoefficients::prepareWriter): the blocks keep their coefficients exactly, the file its
// sampling, quantisation tables, restart interval and progressive scans, with Huffman tables
// fitted to the blocks. The metadata segments and the JFIF header are written as write() writes
// them; jpegQuality is not used.
Outcome writeJpegCoefficients(const JpegCoefficients& coefficients, const QString& path,
                              const Options& options = Options());

// Rows for writeJpegRows, asked for in order, at most 16 at a time: fills rows[0 .. count) with
// the rows first .. first + count - 1 (32 bits per pixel, as write() takes them). False stops
// the writing, which then fails and leaves no file.
using JpegRows = std::function<bool(int first, int count, const uchar** rows)>;

// The bands of a JPEG of `height` rows that its Huffman tables are fitted to: the first row of
// each, in order, every band `bandHeight` rows high (eight times the luma's vertical sampling).
// Empty when the picture is small enough for libjpeg to fit the tables to all of it.
QList<int> jpegSampleBands(int height, const QSize& sampling, int& bandHeight);

// Writes a JPEG as write() does from rows handed over one group after another, so that the
// picture is never held whole. With fitted tables and bands named by jpegSampleBands,
// `tableSample` holds those bands of the picture stacked (Format_RGB32, in the order named):
// the file is then the one write() makes of the whole picture.
Outcome writeJpegRows(const QSize& size, const JpegRows& rows, const QImage& tableSample, const QString& path,
                      const Options& options = Options());

// Writes a TIFF as write() does for an opaque picture of `size` whose resolution is
// `dotsPerMeter`, from rows handed over one after another: only the compressed strips are held.
Outcome writeTiffRows(const QSize& size, const QSize& dotsPerMeter, const PixelRows& rows,
                      const QString& path, const Options& options = Options());

// Writes a PNG as write() does for a picture of `size` whose resolution is `dotsPerMeter`, from
// rows handed over one after another (RGBA with `alpha`, for a picture with an alpha channel,
// else RGB): nothing of the picture is held.
Outcome writePngRows(const QSize& size, bool alpha, const QSize& dotsPerMeter, const PixelRows& rows,
                     const QString& path, const Options& options = Options());

// The picture as JPEG data in memory: baseline, 4:2:0 chroma subsampling, no JFIF or other
// application segment, alpha ignored. Empty when the picture is empty or encoding fails.
QByteArray jpegData(const QImage& image, int quality);

// The bytes write() would put into a file of the format, in memory (for showing what an output
// will look like). Fails with libjpeg's, libwebp's, libtiff's or Qt's reason.
Outcome encode(const QImage& image, FileFormat format, const Options& options, QByteArray& out);

// PNG data whatever the path's extension.
Outcome writePng(const QImage& image, const QString& path, const Options& options = Options());

} // namespace ImageEncoder
