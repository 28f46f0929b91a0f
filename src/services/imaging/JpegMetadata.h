#pragma once

#include <QByteArray>
#include <QList>

// The metadata segments of a JPEG file that travel unchanged from a photo to its output:
// every APP1 (EXIF, XMP, extended XMP), APP2 (ICC profile) and APP13 (IPTC) segment, in the
// order in which they appear in the file.
class JpegMetadata
{
public:
    struct Segment
    {
        int marker = 0;  // the marker code, 0xE1, 0xE2 or 0xED
        QByteArray data; // the payload after the two length bytes, byte for byte

        bool operator==(const Segment&) const = default;
    };

    static constexpr int kApp1 = 0xE1;
    static constexpr int kApp2 = 0xE2;
    static constexpr int kApp13 = 0xED;
    // The largest payload one segment can hold (the length field counts itself).
    static constexpr int kMaxSegmentData = 0xFFFF - 2;

    // An EXIF block is an APP1 payload of "Exif\0\0" followed by a TIFF structure.
    static constexpr int kExifHeaderSize = 6;
    static bool isExifBlock(const QByteArray& app1);

    static bool isKeptMarker(int marker) { return marker == kApp1 || marker == kApp2 || marker == kApp13; }

    QList<Segment> segments;

    bool isEmpty() const { return segments.isEmpty(); }

    // Index of the first APP1 segment that holds an EXIF block, or -1.
    int exifIndex() const;
    bool hasExif() const { return exifIndex() >= 0; }

    // The orientation item (EXIF tag 274) of the first EXIF block: its value as stored
    // (normally 1..8), or 0 when there is no EXIF block, no such item, or the block is corrupt.
    int orientation() const;

    // Reads the orientation item from one APP1 payload ("Exif\0\0" followed by a TIFF
    // structure in either byte order). Every offset is checked against the payload's size.
    static int orientationFromExif(const QByteArray& app1);

    // The segments in the order they are written to an output file: file order, except that
    // the first EXIF block comes first, where viewers look for it.
    QList<Segment> writeOrder() const;

    bool operator==(const JpegMetadata&) const = default;
};
