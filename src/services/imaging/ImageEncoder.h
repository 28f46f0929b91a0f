#pragma once

#include "services/files/Outcome.h"
#include "services/imaging/JpegMetadata.h"
#include "services/imaging/PhotoMetadata.h"

#include <QImage>
#include <QSize>
#include <QString>

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

// The picture as JPEG data in memory: baseline, 4:2:0 chroma subsampling, no JFIF or other
// application segment, alpha ignored. Empty when the picture is empty or encoding fails.
QByteArray jpegData(const QImage& image, int quality);

// The bytes write() would put into a file of the format, in memory (for showing what an output
// will look like). Fails with libjpeg's, libwebp's, libtiff's or Qt's reason.
Outcome encode(const QImage& image, FileFormat format, const Options& options, QByteArray& out);

// PNG data whatever the path's extension.
Outcome writePng(const QImage& image, const QString& path, const Options& options = Options());

} // namespace ImageEncoder
