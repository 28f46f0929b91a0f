#include "imaging/TestPictures.h"

#include <QFile>

#include <cstdio>

#include <jpeglib.h>

namespace TestPictures {

QByteArray encode(const QImage& image, Kind kind, const QList<JpegMetadata::Segment>& segments, int quality)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(rgb.width());
    cinfo.image_height = JDIMENSION(rgb.height());
    switch (kind) {
    case Kind::Grayscale:
        cinfo.input_components = 1;
        cinfo.in_color_space = JCS_GRAYSCALE;
        break;
    case Kind::AdobeCmyk:
    case Kind::AdobeYcck:
        cinfo.input_components = 4;
        cinfo.in_color_space = JCS_CMYK;
        break;
    default:
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
    }
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (kind == Kind::Progressive)
        jpeg_simple_progression(&cinfo);
    if (kind == Kind::AdobeCmyk)
        jpeg_set_colorspace(&cinfo, JCS_CMYK); // both write the Adobe marker
    if (kind == Kind::AdobeYcck)
        jpeg_set_colorspace(&cinfo, JCS_YCCK);
    if (!segments.isEmpty())
        cinfo.write_JFIF_header = FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    for (const JpegMetadata::Segment& segment : segments)
        jpeg_write_marker(&cinfo, segment.marker, reinterpret_cast<const JOCTET*>(segment.data.constData()),
                          unsigned(segment.data.size()));
    QByteArray row(rgb.width() * cinfo.input_components, 0);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uchar* in = rgb.constScanLine(int(cinfo.next_scanline));
        auto* out = reinterpret_cast<uchar*>(row.data());
        for (int x = 0; x < rgb.width(); ++x) {
            const int r = in[3 * x], g = in[3 * x + 1], b = in[3 * x + 2];
            if (kind == Kind::Grayscale) {
                out[x] = uchar(qGray(r, g, b));
            } else if (kind == Kind::AdobeCmyk || kind == Kind::AdobeYcck) {
                // Ink amounts with full black removal, stored inverted (255 = no ink).
                const int k = 255 - qMax(r, qMax(g, b));
                const int scale = 255 - k;
                const int c = scale ? (scale - r) * 255 / scale : 0;
                const int m = scale ? (scale - g) * 255 / scale : 0;
                const int y = scale ? (scale - b) * 255 / scale : 0;
                out[4 * x] = uchar(255 - c);
                out[4 * x + 1] = uchar(255 - m);
                out[4 * x + 2] = uchar(255 - y);
                out[4 * x + 3] = uchar(255 - k);
            } else {
                out[3 * x] = uchar(r);
                out[3 * x + 1] = uchar(g);
                out[3 * x + 2] = uchar(b);
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
    auto u16 = [&](int v) {
        if (bigEndian) {
            tiff.append(char(v >> 8));
            tiff.append(char(v));
        } else {
            tiff.append(char(v));
            tiff.append(char(v >> 8));
        }
    };
    auto u32 = [&](quint32 v) {
        if (bigEndian) {
            u16(int(v >> 16));
            u16(int(v & 0xFFFF));
        } else {
            u16(int(v & 0xFFFF));
            u16(int(v >> 16));
        }
    };
    tiff.append(bigEndian ? "MM" : "II");
    u16(42);
    u32(8);
    u16(2);      // two entries: a leading unrelated one, then the orientation
    u16(0x010F); // Make, ASCII, 4 bytes inline
    u16(2);
    u32(4);
    tiff.append("Cam", 4);
    u16(274);
    u16(3);
    u32(1);
    u16(orientation);
    u16(0);
    u32(0); // no next IFD
    return QByteArray("Exif\0\0", 6) + tiff;
}

QList<JpegMetadata::Segment> scanSegments(const QByteArray& jpeg)
{
    QList<JpegMetadata::Segment> segments;
    const auto* p = reinterpret_cast<const uchar*>(jpeg.constData());
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && p[at] == 0xFF) {
        const int marker = p[at + 1];
        const int length = p[at + 2] << 8 | p[at + 3];
        segments.append({marker, jpeg.mid(at + 4, length - 2)});
        if (marker == 0xDA)
            break;
        at += 2 + length;
    }
    return segments;
}

QList<int> samplingFactors(const QByteArray& jpeg)
{
    for (const JpegMetadata::Segment& segment : scanSegments(jpeg)) {
        if (segment.marker != 0xC0 && segment.marker != 0xC2)
            continue;
        QList<int> factors;
        const int components = uchar(segment.data[5]);
        for (int i = 0; i < components; ++i)
            factors.append(uchar(segment.data[6 + 3 * i + 1]));
        return factors;
    }
    return {};
}

QByteArray gif(const QImage& image)
{
    const QImage indexed = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    QList<QRgb> palette = indexed.colorTable();
    palette.resize(256);
    QByteArray out("GIF89a");
    auto u16 = [&](int v) {
        out.append(char(v & 0xFF));
        out.append(char(v >> 8));
    };
    u16(indexed.width());
    u16(indexed.height());
    out.append(char(0xF7)); // global colour table of 256 entries
    out.append(char(0));
    out.append(char(0));
    for (const QRgb colour : palette) {
        out.append(char(qRed(colour)));
        out.append(char(qGreen(colour)));
        out.append(char(qBlue(colour)));
    }
    out.append(',');
    u16(0);
    u16(0);
    u16(indexed.width());
    u16(indexed.height());
    out.append(char(0));
    out.append(char(8)); // minimum code size

    // Every pixel as a 9-bit code, with a clear code before the table would grow.
    QByteArray packed;
    quint32 bits = 0;
    int count = 0;
    auto put = [&](int code) {
        bits |= quint32(code) << count;
        count += 9;
        while (count >= 8) {
            packed.append(char(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    int sinceClear = 0;
    put(256);
    for (int y = 0; y < indexed.height(); ++y) {
        for (int x = 0; x < indexed.width(); ++x) {
            if (sinceClear == 250) {
                put(256);
                sinceClear = 0;
            }
            put(indexed.pixelIndex(x, y));
            ++sinceClear;
        }
    }
    put(257);
    if (count > 0)
        packed.append(char(bits & 0xFF));
    for (qsizetype at = 0; at < packed.size(); at += 255) {
        const QByteArray block = packed.mid(at, 255);
        out.append(char(block.size()));
        out.append(block);
    }
    out.append(char(0));
    out.append(';');
    return out;
}

namespace {

quint32 crc32(const QByteArray& data)
{
    quint32 crc = 0xFFFFFFFF;
    for (const char byte : data) {
        crc ^= uchar(byte);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
    }
    return ~crc;
}

void appendBigEndian(QByteArray& out, quint32 value)
{
    out.append(char(value >> 24));
    out.append(char(value >> 16));
    out.append(char(value >> 8));
    out.append(char(value));
}

} // namespace

QByteArray pngHeader(quint32 width, quint32 height)
{
    QByteArray chunk("IHDR");
    appendBigEndian(chunk, width);
    appendBigEndian(chunk, height);
    chunk.append(char(8)); // bit depth
    chunk.append(char(6)); // RGBA
    chunk.append(3, char(0));
    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    appendBigEndian(out, 13);
    out.append(chunk);
    appendBigEndian(out, crc32(chunk));
    // A few bytes of image data so that readers get past the header.
    const QByteArray data = QByteArray("IDAT") + QByteArray("\x78\x9c\x63\x00\x00\x00\x01\x00\x01", 9);
    appendBigEndian(out, quint32(data.size() - 4));
    out.append(data);
    appendBigEndian(out, crc32(data));
    return out;
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

QImage testPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            const int r = right ? 230 : 20;
            const int g = bottom ? 200 : 40;
            const int b = (right != bottom) ? 60 + (x * 100) / qMax(1, width) : 180;
            image.setPixel(x, y, qRgb(r, g, b));
        }
    }
    return image;
}

} // namespace TestPictures
