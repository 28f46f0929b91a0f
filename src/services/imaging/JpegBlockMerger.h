#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

#include "services/files/Outcome.h"

class JpegCoefficients;

// Draws a layer over a JPEG photo by replacing only the blocks whose pixels it changes.
//
// Which blocks: the photo's pixels under the layer are decoded exactly as the whole photo
// decodes (see decodePixels), the layer is drawn over them (source over), and every pixel the
// drawing changes marks, in each component, the block whose samples stand for it (a block of
// a component sampled at 1/n covers n x n blocks of 8 x 8 pixels). A block is re-encoded if
// and only if one of the pixels it stands for changes; all others keep their coefficients.
//
// What they become: the drawn pixels of whole iMCUs around the layer are encoded with the
// photo's own colour space, sampling and quantisation tables, and the marked blocks take their
// coefficients. Decoded again, the photo shows exactly its old pixels outside the re-encoded
// blocks, except for a border of one pixel around them where smooth chroma upsampling blends
// in the neighbouring chroma block (libjpeg's fancy upsampling reads one sample beyond the
// block on each side); inside, the drawing as JPEG at the photo's quality shows it.
class JpegBlockMerger
{
public:
    struct Result
    {
        int blocks = 0; // blocks re-encoded, over all components
    };

    // Merges `layer` (premultiplied ARGB, in the photo's stored orientation) drawn with its
    // top-left pixel at `position`. Parts outside the photo are left out.
    static Outcome merge(JpegCoefficients& coefficients, const QImage& layer, const QPoint& position,
                         Result* result = nullptr);

    // The pixels of `area` (whole iMCUs, or reaching the photo's right and bottom edges) as
    // decoding the whole photo gives them (libjpeg, accurate integer IDCT, fancy upsampling),
    // as premultiplied ARGB. The blocks of the area and of one iMCU around it are decoded, so
    // that the upsampling sees the same neighbours as in the whole photo.
    static QImage decodePixels(const JpegCoefficients& coefficients, const QRect& area);

    // `rect` grown to whole iMCUs and cut to the photo.
    static QRect alignedToMcus(const JpegCoefficients& coefficients, const QRect& rect);
};
