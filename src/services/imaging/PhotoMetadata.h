#pragma once

#include "services/imaging/JpegMetadata.h"

#include <QByteArray>

// The metadata of a photo in the form every output format can take it: the EXIF block (a
// TIFF structure starting with "II" or "MM", as PNG's eXIf and WebP's EXIF chunk hold it), the
// XMP packet and the ICC colour profile, each empty when the photo has none.
//
// Photos of every format bring it: a JPEG's segments are taken apart (fromJpeg), HEIF, AVIF,
// WebP, PNG and TIFF files are read by their decoders. toJpeg() puts it back into JPEG
// segments: APP1 "Exif", APP1 XMP and APP2 "ICC_PROFILE", the profile split over as many
// segments as it needs.
struct PhotoMetadata
{
    QByteArray exif;
    QByteArray xmp;
    QByteArray icc;
    // The IPTC records (IPTC-IIM) of a JPEG's Photoshop block; TIFF outputs carry them.
    QByteArray iptc;
    // The ICC profile was made from a HEIF or AVIF file's nclx colour (see NclxProfile): an
    // output that cannot carry it gets the pixels converted to sRGB instead.
    bool profileFromNclx = false;

    bool isEmpty() const { return exif.isEmpty() && xmp.isEmpty() && icc.isEmpty() && iptc.isEmpty(); }
    // True when the ICC profile's header names RGB as the colour space of the pixels.
    bool hasRgbProfile() const { return icc.size() >= 20 && icc.mid(16, 4) == "RGB "; }

    // The first EXIF block, the first XMP packet (not extended XMP), the ICC profile put
    // together from its numbered APP2 segments (left out when they are not all there) and the
    // IPTC records of the first Photoshop block.
    static PhotoMetadata fromJpeg(const JpegMetadata& jpeg);

    // The segments of a JPEG output: EXIF first, then XMP, then the ICC profile in pieces of
    // at most kIccChunk bytes. An XMP packet or EXIF block too large for one segment is left
    // out (neither can be split without extended XMP's own structure).
    JpegMetadata toJpeg() const;

    // The orientation item of the EXIF block (0 when there is none).
    int orientation() const;

    // Sets the orientation item of the EXIF block, where it has one, to `value`, changing no
    // other byte. False when there is no orientation item to set.
    bool setOrientation(int value);

    // Strips a leading "Exif\0\0" (some writers put it before the TIFF structure) and anything
    // before the byte-order mark that a HEIF file's offset field points past.
    static QByteArray tiffStructure(const QByteArray& exifPayload);

    static constexpr int kIccChunk = JpegMetadata::kMaxSegmentData - 14;

    bool operator==(const PhotoMetadata&) const = default;
};
