#include "support/TestPictures.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QHash>

#include <csetjmp>
#include <vector>

#include <jpeglib.h>

#include "support/MemoryJpeg.h"
#include <png.h>

namespace TestPictures {

namespace {

// Writes the packed image data in sub-blocks of at most 255 bytes, then the terminator and
// the trailer.
void endGif(QDataStream& out, const QByteArray& packed)
{
    for (qsizetype at = 0; at < packed.size(); at += 255) {
        const QByteArray block = packed.mid(at, 255);
        out << quint8(block.size());
        out.writeRawData(block.constData(), int(block.size()));
    }
    out << quint8(0) << quint8(';');
}

} // namespace

QByteArray jpeg(const QImage& image, Kind kind, const QList<JpegMetadata::Segment>& segments, int quality)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const bool cmyk = kind == Kind::AdobeCmyk || kind == Kind::AdobeYcck;
    MemoryJpeg file(rgb.width(), rgb.height(),
                    kind == Kind::Grayscale ? 1
                    : cmyk                  ? 4
                                            : 3,
                    kind == Kind::Grayscale ? JCS_GRAYSCALE
                    : cmyk                  ? JCS_CMYK
                                            : JCS_RGB);
    jpeg_compress_struct& cinfo = file.cinfo;
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (kind == Kind::Progressive)
        jpeg_simple_progression(&cinfo);
    if (kind == Kind::Restart)
        cinfo.restart_in_rows = 1;
    jpeg_scan_info separate[3] = {};
    if (kind == Kind::SeparateScans) {
        for (int c = 0; c < 3; ++c) {
            separate[c].comps_in_scan = 1;
            separate[c].component_index[0] = c;
            separate[c].Se = DCTSIZE2 - 1;
        }
        cinfo.scan_info = separate;
        cinfo.num_scans = 3;
    }
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
        file.writeRow(reinterpret_cast<const uchar*>(row.constData()));
    }
    return file.finish();
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

namespace {

// Writes a GIF's header, its 256-colour table and the image descriptor of one frame up to the
// code size; returns the picture in those colours.
QImage writeGifStart(QDataStream& out, const QImage& image)
{
    const QImage indexed = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    QList<QRgb> palette = indexed.colorTable();
    palette.resize(256);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("GIF89a", 6);
    out << quint16(indexed.width()) << quint16(indexed.height()) << quint8(0xF7) << quint8(0) << quint8(0);
    for (const QRgb colour : palette)
        out << quint8(qRed(colour)) << quint8(qGreen(colour)) << quint8(qBlue(colour));
    out << quint8(',') << quint16(0) << quint16(0) << quint16(indexed.width()) << quint16(indexed.height());
    out << quint8(0) << quint8(8);
    return indexed;
}

} // namespace

QByteArray withQt(const QImage& image, const char* format)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data;
}

QByteArray gif(const QImage& image)
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    const QImage indexed = writeGifStart(out, image);

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
    endGif(out, packed);
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

namespace {

// One step of Marsaglia's 32-bit xorshift generator.
quint32 nextRandom(quint32& state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

} // namespace

QImage noise(int width, int height, quint32 seed)
{
    QImage picture(width, height, QImage::Format_RGB32);
    quint32 state = seed;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = 0xff000000u | (nextRandom(state) & 0xffffffu);
    }
    return picture;
}

QImage detailed(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 state = 2463534242u;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int noise = int(nextRandom(state) % 64) - 32;
            line[x] = qRgb(qBound(0, x * 255 / width + noise, 255), qBound(0, y * 255 / height - noise, 255),
                           qBound(0, 128 + noise * 2, 255));
        }
    }
    return image;
}

QByteArray compressedGif(const QImage& image)
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    const QImage indexed = writeGifStart(out, image);

    constexpr int kClear = 256;
    constexpr int kEnd = 257;
    QByteArray packed;
    quint32 bits = 0;
    int count = 0;
    int codeSize = 9;
    auto put = [&](int code) {
        bits |= quint32(code) << count;
        for (count += codeSize; count >= 8; count -= 8, bits >>= 8)
            packed.append(char(bits & 0xFF));
    };
    QHash<quint32, int> table; // prefix code << 8 | pixel -> code
    int next = kEnd + 1;
    put(kClear);
    const int pixels = indexed.width() * indexed.height();
    int prefix = indexed.pixelIndex(0, 0);
    for (int i = 1; i < pixels; ++i) {
        const int pixel = indexed.pixelIndex(i % indexed.width(), i / indexed.width());
        const quint32 key = quint32(prefix) << 8 | quint32(pixel);
        const auto found = table.constFind(key);
        if (found != table.cend()) {
            prefix = *found;
            continue;
        }
        put(prefix);
        // The reader adds its entries a code later and widens its codes once it has made the
        // entry that needs the wider size.
        if (next >= (1 << codeSize) && codeSize < 12)
            ++codeSize;
        if (next < 4095) {
            table.insert(key, next++);
        } else {
            put(kClear);
            table.clear();
            next = kEnd + 1;
            codeSize = 9;
        }
        prefix = pixel;
    }
    put(prefix);
    if (next >= (1 << codeSize) && codeSize < 12)
        ++codeSize;
    put(kEnd);
    if (count > 0)
        packed.append(char(bits & 0xFF));
    endGif(out, packed);
    return data;
}

namespace {

void appendPng(png_structp png, png_bytep data, size_t length)
{
    static_cast<QByteArray*>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

void flushPng(png_structp) {}

std::vector<png_text> pngTexts(const QList<QPair<QByteArray, QByteArray>>& texts, int compression)
{
    std::vector<png_text> out;
    for (const auto& [key, text] : texts) {
        png_text t{};
        t.compression = compression;
        t.key = const_cast<char*>(key.constData());
        t.text = const_cast<char*>(text.constData());
        t.text_length = size_t(text.size());
        t.itxt_length = size_t(text.size());
        out.push_back(t);
    }
    return out;
}

} // namespace

QByteArray png(const PngRecipe& recipe)
{
    QByteArray result;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    const int channels = recipe.colourType == PNG_COLOR_TYPE_RGB          ? 3
                         : recipe.colourType == PNG_COLOR_TYPE_RGBA       ? 4
                         : recipe.colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                                                                          : 1;
    const size_t rowBytes = (size_t(recipe.width) * size_t(channels) * size_t(recipe.bitDepth) + 7) / 8;
    std::vector<std::vector<png_byte>> rows(size_t(recipe.height), std::vector<png_byte>(rowBytes));
    quint32 state = recipe.seed * 2654435761u;
    for (size_t y = 0; y < rows.size(); ++y) {
        for (size_t x = 0; x < rowBytes; ++x) {
            state = state * 1103515245u + 12345u;
            rows[y][x] = (x + y) % 5 == 0 ? png_byte(x * 3 + y) : png_byte(state >> 16);
        }
    }
    std::vector<png_bytep> pointers;
    for (auto& row : rows)
        pointers.push_back(row.data());
    std::vector<png_color> palette;
    std::vector<png_byte> alphas;
    const std::vector<png_text> before = pngTexts(recipe.texts, recipe.textCompression);
    const std::vector<png_text> after = pngTexts(recipe.textsAfterPixels, recipe.textCompression);
    png_color_16 key{};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return QByteArray();
    }
    png_set_write_fn(png, &result, appendPng, flushPng);
    png_set_check_for_invalid_index(png, 0); // palette pictures may use entries beyond the palette
    png_set_IHDR(png, info, png_uint_32(recipe.width), png_uint_32(recipe.height), recipe.bitDepth,
                 recipe.colourType, recipe.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (recipe.colourType == PNG_COLOR_TYPE_PALETTE) {
        const int entries = recipe.paletteSize > 0 ? recipe.paletteSize : 1 << recipe.bitDepth;
        for (int i = 0; i < entries; ++i)
            palette.push_back(
                png_color{png_byte(i * 37 + int(recipe.seed)), png_byte(i * 91), png_byte(255 - i * 13)});
        png_set_PLTE(png, info, palette.data(), entries);
        for (int i = 0; i < recipe.transparency; ++i)
            alphas.push_back(png_byte(i * 53));
        if (recipe.transparency >= 0)
            png_set_tRNS(png, info, alphas.data(), recipe.transparency, nullptr);
    } else if (recipe.transparency >= 0) {
        const int top = (1 << recipe.bitDepth) - 1;
        key.gray = png_uint_16(3 & top);
        key.red = png_uint_16(5 & top);
        key.green = png_uint_16(7 & top);
        key.blue = png_uint_16(11 & top);
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    if (recipe.gamma > 0)
        png_set_gAMA(png, info, recipe.gamma);
    if (recipe.srgb)
        png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    if (recipe.chromaticities)
        png_set_cHRM(png, info, 0.3127, 0.3290, 0.64, 0.33, 0.30, 0.60, 0.15, 0.06);
    if (!recipe.iccProfile.isEmpty())
        png_set_iCCP(png, info, "profile", 0,
                     reinterpret_cast<png_const_bytep>(recipe.iccProfile.constData()),
                     png_uint_32(recipe.iccProfile.size()));
    if (recipe.resolution)
        png_set_pHYs(png, info, 3780, 2835,
                     recipe.resolutionUnknown ? PNG_RESOLUTION_UNKNOWN : PNG_RESOLUTION_METER);
    if (recipe.offset)
        png_set_oFFs(png, info, 7, 9, recipe.offsetInMicrometres ? PNG_OFFSET_MICROMETER : PNG_OFFSET_PIXEL);
    png_color_8 significant{5, 5, 5, 5, 5};
    if (recipe.significantBits)
        png_set_sBIT(png, info, &significant);
    png_color_16 background{1, 1, 1, 1, 1};
    if (recipe.background)
        png_set_bKGD(png, info, &background);
    png_time time{2020, 1, 2, 3, 4, 5};
    if (recipe.time)
        png_set_tIME(png, info, &time);
    if (!before.empty())
        png_set_text(png, info, before.data(), int(before.size()));
    const auto setExif = [&] {
        png_set_eXIf_1(png, info, png_uint_32(recipe.exif.size()),
                       reinterpret_cast<png_bytep>(const_cast<char*>(recipe.exif.constData())));
    };
    if (!recipe.exif.isEmpty() && !recipe.exifAfterPixels)
        setExif();
    png_write_info(png, info);
    png_write_image(png, pointers.data());
    if (!after.empty())
        png_set_text(png, info, after.data(), int(after.size()));
    if (!recipe.exif.isEmpty() && recipe.exifAfterPixels)
        setExif();
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return result;
}

} // namespace TestPictures
