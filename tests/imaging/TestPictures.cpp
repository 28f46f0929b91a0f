#include "imaging/TestPictures.h"

#include <QDataStream>
#include <QFile>

#include <jpeglib.h>

namespace TestPictures {

QByteArray jpeg(const QImage& image, Kind kind, const QList<JpegMetadata::Segment>& segments, int quality)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const bool cmyk = kind == Kind::AdobeCmyk || kind == Kind::AdobeYcck;
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(rgb.width());
    cinfo.image_height = JDIMENSION(rgb.height());
    cinfo.input_components = kind == Kind::Grayscale ? 1 : cmyk ? 4 : 3;
    cinfo.in_color_space = kind == Kind::Grayscale ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (kind == Kind::Progressive)
        jpeg_simple_progression(&cinfo);
    if (cmyk) // both write Adobe's marker
        jpeg_set_colorspace(&cinfo, kind == Kind::AdobeCmyk ? JCS_CMYK : JCS_YCCK);
    cinfo.write_JFIF_header = segments.isEmpty();
    jpeg_start_compress(&cinfo, TRUE);
    for (const JpegMetadata::Segment& segment : segments)
        jpeg_write_marker(&cinfo, segment.marker, reinterpret_cast<const JOCTET*>(segment.data.constData()),
                          unsigned(segment.data.size()));
    QByteArray row(rgb.width() * cinfo.input_components, 0);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uchar* in = rgb.constScanLine(int(cinfo.next_scanline));
        auto* out = reinterpret_cast<uchar*>(row.data());
        for (int x = 0; x < rgb.width(); ++x, in += 3) {
            if (kind == Kind::Grayscale) {
                out[x] = uchar(qGray(in[0], in[1], in[2]));
            } else if (cmyk) {
                // Full black removal; 255 means no ink.
                const int light = qMax(in[0], qMax(in[1], in[2]));
                for (int c = 0; c < 3; ++c)
                    out[4 * x + c] = uchar(light ? 255 - (light - in[c]) * 255 / light : 255);
                out[4 * x + 3] = uchar(light);
            } else {
                std::copy(in, in + 3, out + 3 * x);
            }
        }
        JSAMPROW pointer = reinterpret_cast<JSAMPROW>(row.data());
        jpeg_write_scanlines(&cinfo, &pointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    QByteArray result(reinterpret_cast<const char*>(buffer), qsizetype(size));
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return result;
}

QByteArray exifWithOrientation(int orientation, bool bigEndian)
{
    QByteArray tiff;
    QDataStream out(&tiff, QIODevice::WriteOnly);
    out.setByteOrder(bigEndian ? QDataStream::BigEndian : QDataStream::LittleEndian);
    out.writeRawData(bigEndian ? "MM" : "II", 2);
    out << quint16(42) << quint32(8) << quint16(2);
    out << quint16(0x010F) << quint16(2) << quint32(4); // Make, ASCII, inline
    out.writeRawData("Cam", 4);
    out << quint16(274) << quint16(3) << quint32(1) << quint16(orientation) << quint16(0);
    out << quint32(0); // no next IFD
    return QByteArray("Exif\0\0", 6) + tiff;
}

QByteArray gif(const QImage& image)
{
    const QImage indexed = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    QList<QRgb> palette = indexed.colorTable();
    palette.resize(256);
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("GIF89a", 6);
    out << quint16(indexed.width()) << quint16(indexed.height()) << quint8(0xF7) << quint8(0) << quint8(0);
    for (const QRgb colour : palette)
        out << quint8(qRed(colour)) << quint8(qGreen(colour)) << quint8(qBlue(colour));
    out << quint8(',') << quint16(0) << quint16(0) << quint16(indexed.width()) << quint16(indexed.height());
    out << quint8(0) << quint8(8);

    // Every pixel as a 9-bit code, with a clear code (256) before the code table would grow.
    QByteArray packed;
    quint32 bits = 0;
    int count = 0;
    auto put = [&](int code) {
        bits |= quint32(code) << count;
        for (count += 9; count >= 8; count -= 8, bits >>= 8)
            packed.append(char(bits & 0xFF));
    };
    for (int i = 0; i < indexed.width() * indexed.height(); ++i) {
        if (i % 250 == 0)
            put(256);
        put(indexed.pixelIndex(i % indexed.width(), i / indexed.width()));
    }
    put(257);
    if (count > 0)
        packed.append(char(bits & 0xFF));
    for (qsizetype at = 0; at < packed.size(); at += 255) {
        const QByteArray block = packed.mid(at, 255);
        out << quint8(block.size());
        out.writeRawData(block.constData(), int(block.size()));
    }
    out << quint8(0) << quint8(';');
    return data;
}

QList<JpegMetadata::Segment> scanSegments(const QByteArray& jpeg)
{
    QList<JpegMetadata::Segment> segments;
    const auto* p = reinterpret_cast<const uchar*>(jpeg.constData());
    for (qsizetype at = 2; at + 4 <= jpeg.size() && p[at] == 0xFF;) {
        const int length = p[at + 2] << 8 | p[at + 3];
        segments.append({p[at + 1], jpeg.mid(at + 4, length - 2)});
        if (p[at + 1] == 0xDA)
            break;
        at += 2 + length;
    }
    return segments;
}

QImage quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            const int blue = right != bottom ? 60 + x * 100 / width : 180;
            image.setPixel(x, y, qRgb(right ? 230 : 20, bottom ? 200 : 40, blue));
        }
    }
    return image;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

} // namespace TestPictures
