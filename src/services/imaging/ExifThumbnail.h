#pragma once

#include "services/imaging/JpegMetadata.h"

#include <QByteArray>
#include <QImage>

// The EXIF thumbnail: the small JPEG picture that the second directory (IFD1) of an EXIF
// block points to with its JPEGInterchangeFormat (0x0201) and JPEGInterchangeFormatLength
// (0x0202) items. File managers and cameras show it instead of decoding the photo, so a
// stamped photo that keeps its metadata gets a thumbnail made from its stamped pixels.
//
// The new thumbnail has the old one's pixel size (read from its frame header), is baseline
// JPEG at 4:2:0, and takes the old one's place: it is written over the old bytes (the rest of
// them cleared), or, when the old thumbnail ends the EXIF block, in place of them at the end,
// where it may grow up to the largest segment. Its quality starts at 85 and goes down until it
// fits. Nothing else moves, so every other item, directory and maker note keeps its bytes and
// offsets; only the length item changes.
//
// When that cannot be done (no quality fits, or the thumbnail's items are damaged or point
// outside the block), the thumbnail is removed instead: the four bytes of IFD0 that link to
// IFD1 are set to 0. IFD1 only describes the thumbnail, so readers then see an EXIF block
// without one, and no directory has to be rewritten or shortened. When the old bytes are a
// JPEG picture they are cleared too (cut off when they end the block), so that the unstamped
// picture does not linger in the file; anything else they point to is left alone.
//
// EXIF blocks are untrusted input: every offset is checked against the block before use, and
// thumbnails declaring more than 1024 pixels across or down are removed rather than remade.
class ExifThumbnail
{
public:
    enum class Change
    {
        None,     // no thumbnail to renew (none, or no readable EXIF structure): bytes unchanged
        Replaced, // the thumbnail now shows the picture, at its old pixel size and place
        Removed,  // IFD0 no longer links to IFD1
    };

    // Renews the thumbnail of every EXIF block of metadata from picture: the pixels as they
    // are stored in the file (not turned by the orientation item), like the old thumbnail.
    static void renew(JpegMetadata& metadata, const QImage& picture);

    // The largest pixel size of the thumbnails that renew() would remake from a picture (as
    // their frame headers state it); empty when it would remake none (none there, or every one
    // damaged or too large, which renew() removes whatever the picture). A caller may then
    // hand renew() the picture reduced to about that size instead of the whole one.
    static QSize remadeSize(const JpegMetadata& metadata);

    // The same for one APP1 payload ("Exif\0\0" and a TIFF structure in either byte order).
    static Change renew(QByteArray& app1, const QImage& picture);

    // The same for a bare TIFF structure (the EXIF block of a PNG or WebP output) whose
    // pixels stand upright, the photo having been turned by the orientation item
    // `orientation`, which the output sets to 1: the new thumbnail shows the upright picture
    // as the old one was shown, at the old size with its sides swapped where the orientation
    // swaps them (5 to 8).
    static Change renewUpright(QByteArray& tiff, const QImage& upright, int orientation);

private:
    static Change renewIn(QByteArray& app1, const QImage& picture, bool swapSides);
};
