#pragma once

#include <QImage>

#include <vector>

class PhotoDecoder;

// A photo's rows in the format the full path draws on: premultiplied ARGB (opaque) for colour
// photos, as decoded; RGB32 for grey ones, as Qt turns grey into RGB32.
class CanvasRows
{
public:
    // Rows a band holds: the most a decoder gives at a time.
    static constexpr int kBand = 16;

    // Rows of `decoder`, started with startRows(), which gave `decoded`.
    CanvasRows(PhotoDecoder& decoder, QImage::Format decoded, int width);

    QImage::Format format() const;
    // A band of kBand rows to read into; null when memory runs out.
    QImage band() const;

    // Decodes the next `count` rows (at most kBand) into the band's first lines.
    bool read(int count, QImage& band);

private:
    PhotoDecoder& m_decoder;
    bool m_grey;
    int m_width;
    std::vector<uchar> m_raw;
};
