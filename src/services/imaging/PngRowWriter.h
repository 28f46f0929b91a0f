#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

#include "services/files/Outcome.h"
#include "services/imaging/PixelRows.h"

#include <functional>

// Writes a PNG a row at a time through libpng, as Qt's PNG writer writes a picture of the same
// kind: 8 bits per sample, RGB or RGBA, libpng's own compression and row filters, and the
// resolution in a pHYs chunk. Only what libpng is compressing is held, never the picture.
class PngRowWriter
{
public:
    // Takes the bytes of the file in order; false stops the writing.
    using Sink = std::function<bool(const char* data, qint64 size)>;
    // Gives the chunks before the pixels (the signature, the header chunk and the resolution)
    // as they are to be written, e.g. with metadata chunks put in.
    using Head = std::function<QByteArray(const QByteArray& head)>;

    // Fails when libpng, the rows or the sink fail; the sentence is libpng's message when libpng
    // failed, empty otherwise (the rows and the sink keep their own reasons).
    static Outcome write(const QSize& size, bool alpha, const QSize& dotsPerMeter, const PixelRows& rows,
                         const Head& head, const Sink& sink);
};
