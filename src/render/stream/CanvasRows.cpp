#include "render/stream/CanvasRows.h"

#include "services/imaging/ImageCanvas.h"
#include "services/imaging/PhotoDecoder.h"

CanvasRows::CanvasRows(PhotoDecoder& decoder, QImage::Format decoded, int width)
    : m_decoder(decoder), m_grey(decoded == QImage::Format_Grayscale8), m_width(width)
{
    if (m_grey)
        m_raw.resize(size_t(width) * kBand);
}

QImage::Format CanvasRows::format() const
{
    return m_grey ? QImage::Format_RGB32 : ImageCanvas::kFormat;
}

QImage CanvasRows::band() const
{
    return QImage(m_width, kBand, format());
}

bool CanvasRows::read(int count, QImage& band)
{
    if (!m_grey)
        return m_decoder.readRows(band.bits(), band.bytesPerLine(), count);
    if (!m_decoder.readRows(m_raw.data(), m_width, count))
        return false;
    for (int i = 0; i < count; ++i) {
        const uchar* in = m_raw.data() + qsizetype(i) * m_width;
        auto* out = reinterpret_cast<QRgb*>(band.scanLine(i));
        for (int x = 0; x < m_width; ++x)
            out[x] = qRgb(in[x], in[x], in[x]);
    }
    return true;
}
