#pragma once

#include <QList>
#include <QSize>
#include <QString>

// A set of damaged, extreme and unusual picture files for robustness tests, painted and
// assembled here (nothing is downloaded): truncated JPEG, PNG, TIFF, GIF and BMP files, PNG
// chunks that would take hundreds of megabytes (a 120 MiB text, decompression bombs), empty files, a
// folder named like a photo, wrong extensions, headers claiming 100000 x 100000 pixels,
// progressive JPEGs with hundreds and thousands of scans, CMYK, YCCK and grey JPEGs,
// 16-bit PNGs, PNGs with alpha, damaged EXIF blocks, every orientation value from 0 to 9, an
// EXIF block larger than 60 KB and extended XMP; sound, cut, noisy and huge-claiming HEIC, AVIF
// and WebP files (lossy, lossless with alpha, animated); a cut JPEG padded with zeros to 1 GiB
// (a sparse file where the file system allows it).
namespace HostileImageSet {

// What a sound program does with the file.
enum class Expect
{
    Stamp,  // a stamped output of `size` pixels (upright)
    Refuse, // a failure line with a reason, no output
    Either, // one of the two; an output must then be a whole picture of `size` pixels
};

struct Entry
{
    QString name; // file (or folder) name inside the set's folder; base names are unique
    Expect expect = Expect::Either;
    QSize size;   // the upright pixel size of a correct output
    QString what; // what the file exercises
    // JPEG only: metadata segments that a JPEG output must carry unchanged.
    bool keepsMetadata = false;
    // Refused files: when set, the reason the failure line must give.
    QString reason;
};

// Writes the set into `folder` (created when missing) and returns its entries. The sound
// pictures the others are made from are `size` pixels large.
QList<Entry> write(const QString& folder, QSize size = QSize(256, 192));

// The name of an expectation, as the manifest writes it.
QString expectName(Expect expect);

} // namespace HostileImageSet
