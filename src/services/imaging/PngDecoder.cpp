#include "services/imaging/PngDecoder.h"

#include "services/language/FailureReason.h"

#include "services/imaging/ImageBuffer.h"
#include "services/imaging/JpegMetadata.h"

#include <QColorSpace>
#include <QList>
#include <QLoggingCategory>
#include <QPair>
#include <QPoint>
#include <QString>

#include <algorithm>
#include <cstring>
#include <vector>

#include <png.h>
#include <zlib.h>

namespace {

Q_LOGGING_CATEGORY(lcPng, "lumora.imaging.png")

// The most memory a chunk other than the pixel data may take, as read or decompressed: libpng's
// own default, set here so that it holds whatever the library was built with. Larger chunks
// (a text, a colour profile) are left out.
constexpr png_alloc_size_t kChunkLimit = 8'000'000;
// All texts of a file together, decompressed.
constexpr qint64 kTextLimit = 16 * 1024 * 1024;
// Width and height, as libpng's default (which Qt's reader keeps).
constexpr png_uint_32 kSideLimit = 1'000'000;
// The longest keyword libpng accepts for compressed and international texts.
constexpr size_t kKeywordLimit = 79;

// Chunks libpng knows that nothing here uses: dropped instead of parsed (and stored).
constexpr png_byte kUnusedChunks[] = "bKGD\0hIST\0pCAL\0sBIT\0sCAL\0sPLT\0tIME";
// Text chunks and the EXIF block come through readChunk(), which bounds their memory.
constexpr png_byte kTextChunks[] = "tEXt\0zTXt\0iTXt\0eXIf";
// The largest EXIF block (TIFF structure) kept: what a JPEG's APP1 segment holds after its
// "Exif\0\0" header. Larger ones are left out, as no JPEG output could carry them either.
constexpr size_t kExifLimit = JpegMetadata::kMaxSegmentData - JpegMetadata::kExifHeaderSize;

// A file being read: libpng's structures stay between the header and the pixels.
struct PngInput
{
    std::FILE* file = nullptr;
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_infop endInfo = nullptr;
    char message[256] = {};
    bool endOfFile = false;
    bool opened = false;
    bool decoded = false;
    QSize pixelSize;
    qint64 textBytes = 0;
    QList<QPair<QString, QString>> texts; // in file order; a later key replaces an earlier one
    QByteArray exif;                      // the first eXIf chunk within kExifLimit

    PngInput() = default;
    PngInput(const PngInput&) = delete;
    PngInput& operator=(const PngInput&) = delete;
    ~PngInput()
    {
        if (png)
            png_destroy_read_struct(&png, &info, &endInfo);
    }

    QString failure(const char* what) const;
    void addText(const png_byte* name, const png_byte* data, size_t length);
};

} // namespace

struct PngDecoder::State : PngInput
{
};

namespace {

PngInput* stateOf(png_structp png)
{
    return static_cast<PngInput*>(png_get_error_ptr(png));
}

// Errors jump back to the guarded call; the message stays for the reason.
[[noreturn]] void pngError(png_structp png, png_const_charp text)
{
    PngInput* s = stateOf(png);
    std::snprintf(s->message, sizeof s->message, "%s", text);
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp text)
{
    qCWarning(lcPng).noquote() << QStringLiteral("libpng warning: %1").arg(QString::fromLocal8Bit(text));
}

void readData(png_structp png, png_bytep data, size_t length)
{
    auto* s = static_cast<PngInput*>(png_get_io_ptr(png));
    if (std::fread(data, 1, length, s->file) != length) {
        s->endOfFile = true;
        png_error(png, "the file ends early");
    }
}

// Chunks handled as unknown, each read whole only when within the chunk limit: the texts are
// kept within their limits; other ancillary chunks are dropped, an unknown critical chunk stays
// an error (as in Qt's reader).
int readChunk(png_structp png, png_unknown_chunkp chunk)
{
    if (std::memcmp(chunk->name, "tEXt", 4) == 0 || std::memcmp(chunk->name, "zTXt", 4) == 0 ||
        std::memcmp(chunk->name, "iTXt", 4) == 0) {
        static_cast<PngInput*>(png_get_user_chunk_ptr(png))->addText(chunk->name, chunk->data, chunk->size);
        return 1;
    }
    // The EXIF block: libpng skips chunks over its chunk limit unread, this keeps the first one
    // a JPEG output could carry too.
    if (std::memcmp(chunk->name, "eXIf", 4) == 0) {
        auto* s = static_cast<PngInput*>(png_get_user_chunk_ptr(png));
        if (chunk->size > kExifLimit)
            qCWarning(lcPng).noquote()
                << QStringLiteral("an eXIf chunk of %1 bytes is left out").arg(chunk->size);
        else if (s->exif.isEmpty())
            s->exif = QByteArray(reinterpret_cast<const char*>(chunk->data), qsizetype(chunk->size));
        return 1;
    }
    const bool ancillary = (chunk->name[0] & 0x20) != 0;
    return ancillary ? 1 : 0;
}

// A zlib stream decompressed whole into `out`, as long as the result stays within `limit` bytes;
// false (and `out` empty) otherwise, or for a damaged or unfinished stream. `inflated` tells how
// many bytes were made, kept or not.
bool inflateBounded(const png_byte* data, size_t size, qint64 limit, QByteArray& out, qint64& inflated)
{
    out.clear();
    inflated = 0;
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return false;
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = uInt(size);
    char buffer[16384];
    int result = Z_OK;
    while (result == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        const qint64 produced = qint64(sizeof buffer - stream.avail_out);
        inflated += produced;
        if (inflated > limit) {
            result = Z_MEM_ERROR;
            break;
        }
        out.append(buffer, produced);
        if (result == Z_OK && stream.avail_in == 0 && produced == 0)
            break;
    }
    inflateEnd(&stream);
    if (result != Z_STREAM_END) {
        out.clear();
        return false;
    }
    return true;
}

// The length of the C string at `at` within the chunk; false when the chunk ends before its
// terminator.
bool cString(const png_byte* data, size_t size, size_t at, size_t& length)
{
    const void* nul = at < size ? std::memchr(data + at, 0, size - at) : nullptr;
    if (!nul)
        return false;
    length = size_t(static_cast<const png_byte*>(nul) - (data + at));
    return true;
}

// Bytes up to the first zero byte, as a C string would end there.
QByteArray upToNul(const char* data, qsizetype size)
{
    const void* nul = std::memchr(data, 0, size_t(size));
    return QByteArray(data, nul ? static_cast<const char*>(nul) - data : size);
}

} // namespace

QString PngInput::failure(const char* what) const
{
    if (endOfFile)
        return FailureReason::tr("the photo is damaged: its data ends early");
    return FailureReason::tr(what).arg(QString::fromLocal8Bit(message));
}

// Reads the three text chunks as libpng would and keeps them as Qt's reader does: the key in
// Latin-1, the text in Latin-1 (tEXt, zTXt) or UTF-8 (iTXt), each up to its first zero byte.
// Damaged chunks, and texts beyond the limits, are left out. Every byte a text takes (its key,
// its text inflated or as stored), kept or left out, counts against the limit of all texts:
// chunks made to inflate to just under the limit of one cannot add up either.
void PngInput::addText(const png_byte* name, const png_byte* data, size_t length)
{
    const qint64 room = std::min<qint64>(kChunkLimit, kTextLimit - textBytes);
    size_t keyLength = 0;
    const bool hasKey = cString(data, length, 0, keyLength);
    const bool latin1 = std::memcmp(name, "iTXt", 4) != 0;
    QByteArray text;
    qint64 inflated = 0;
    bool readable = true;
    if (std::memcmp(name, "tEXt", 4) == 0) {
        if (!hasKey)
            keyLength = length; // the whole chunk is the keyword, the text is empty
        const size_t at = std::min(length, keyLength + 1);
        text = upToNul(reinterpret_cast<const char*>(data + at), qsizetype(length - at));
    } else if (!hasKey || keyLength < 1 || keyLength > kKeywordLimit) {
        readable = false;
    } else if (latin1) {
        // zTXt: keyword, 0, method (0), compressed text
        QByteArray whole;
        readable = keyLength + 2 < length && data[keyLength + 1] == 0 &&
                   inflateBounded(data + keyLength + 2, length - keyLength - 2, room, whole, inflated);
        text = upToNul(whole.constData(), whole.size());
    } else {
        // iTXt: keyword, 0, compressed flag, method, language, 0, translated keyword, 0, text
        const size_t languageAt = keyLength + 3;
        size_t language = 0;
        size_t translated = 0;
        readable = languageAt <= length && cString(data, length, languageAt, language) &&
                   cString(data, length, languageAt + language + 1, translated);
        const bool compressed = readable && data[keyLength + 1] != 0;
        readable = readable && (!compressed || data[keyLength + 2] == 0);
        const size_t textAt = languageAt + language + 1 + translated + 1;
        if (readable && compressed) {
            QByteArray whole;
            readable = inflateBounded(data + textAt, length - textAt, room, whole, inflated);
            text = upToNul(whole.constData(), whole.size());
        } else if (readable) {
            text = upToNul(reinterpret_cast<const char*>(data + textAt), qsizetype(length - textAt));
        }
    }
    const qint64 needed = qint64(keyLength) + text.size();
    textBytes += std::min(room, qint64(keyLength) + std::max(inflated, qint64(text.size())));
    if (!readable || needed > room) {
        qCWarning(lcPng).noquote() << QStringLiteral("a %1 chunk is left out: %2")
                                          .arg(QString::fromLatin1(reinterpret_cast<const char*>(name), 4),
                                               readable ? QStringLiteral("over the memory limit")
                                                        : QStringLiteral("damaged or over the memory limit"));
        return;
    }
    const QString key = QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(keyLength));
    texts.append({key, latin1 ? QString::fromLatin1(text) : QString::fromUtf8(text)});
}

namespace {

// Each guarded call sets the jump target and then calls only libpng, so an error jumps over no
// C++ object that would need destroying (the text callback finishes its objects before it
// returns).

bool pngReadHeader(PngInput* s)
{
    if (setjmp(png_jmpbuf(s->png)))
        return false;
    png_set_read_fn(s->png, s, readData);
    png_set_user_limits(s->png, kSideLimit, kSideLimit);
    png_set_chunk_malloc_max(s->png, kChunkLimit);
#if defined(PNG_SET_OPTION_SUPPORTED) && defined(PNG_MAXIMUM_INFLATE_WINDOW)
    // Some writers' streams refer back further than their header says; Qt's reader accepts them.
    png_set_option(s->png, PNG_MAXIMUM_INFLATE_WINDOW, PNG_OPTION_ON);
#endif
    png_set_keep_unknown_chunks(s->png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(s->png, PNG_HANDLE_CHUNK_NEVER, kUnusedChunks, int(sizeof kUnusedChunks / 5));
    png_set_keep_unknown_chunks(s->png, PNG_HANDLE_CHUNK_ALWAYS, kTextChunks, int(sizeof kTextChunks / 5));
    png_set_read_user_chunk_fn(s->png, s, readChunk);
    png_read_info(s->png, s->info);
    return true;
}

// The picture as Qt's reader lays it out: the pixel format and libpng's transformations that
// fill it.
struct Layout
{
    QImage::Format format = QImage::Format_Invalid;
    int greyColours = 0;   // Indexed8 grey pictures: entries of the grey colour table
    bool monoGrey = false; // 1-bit grey: white and black
    bool palette = false;  // the colour table comes from the palette
};

bool pngSetUp(PngInput* s, Layout& layout)
{
    if (setjmp(png_jmpbuf(s->png)))
        return false;
    png_structp png = s->png;
    png_infop info = s->info;
    const bool littleEndian = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    const int colourType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    const bool transparentColour = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    png_colorp palette = nullptr;
    int paletteSize = 0;
    png_set_interlace_handling(png);

    if (colourType == PNG_COLOR_TYPE_GRAY) {
        if (bitDepth == 1 && png_get_channels(png, info) == 1) {
            png_set_invert_mono(png);
            layout.format = QImage::Format_Mono;
            layout.monoGrey = true;
        } else if (bitDepth == 16 && !transparentColour) {
            if (littleEndian)
                png_set_swap(png);
            layout.format = QImage::Format_Grayscale16;
        } else if (bitDepth == 16) {
            png_set_expand(png);
            png_set_gray_to_rgb(png);
            if (littleEndian)
                png_set_swap(png);
            layout.format = QImage::Format_RGBA64;
        } else if (bitDepth == 8 && !transparentColour) {
            png_set_expand(png);
            layout.format = QImage::Format_Grayscale8;
        } else {
            if (bitDepth < 8)
                png_set_packing(png);
            layout.format = QImage::Format_Indexed8;
            layout.greyColours = bitDepth < 8 ? 1 << bitDepth : 256;
        }
    } else if (colourType == PNG_COLOR_TYPE_PALETTE && png_get_PLTE(png, info, &palette, &paletteSize) &&
               paletteSize <= 256) {
        if (bitDepth != 1)
            png_set_packing(png);
        layout.format = bitDepth == 1 ? QImage::Format_Mono : QImage::Format_Indexed8;
        layout.palette = true;
    } else if (bitDepth == 16 && !(colourType & PNG_COLOR_MASK_PALETTE)) {
        layout.format = QImage::Format_RGBA64;
        if (!(colourType & PNG_COLOR_MASK_ALPHA) && !transparentColour) {
            png_set_filler(png, 0xffff, PNG_FILLER_AFTER);
            layout.format = QImage::Format_RGBX64;
        } else if (transparentColour) {
            // The colour key becomes alpha, as for every other layout. (Qt's reader leaves it
            // out here and fills the four-sample format with three samples a pixel.)
            png_set_expand(png);
        }
        if (!(colourType & PNG_COLOR_MASK_COLOR))
            png_set_gray_to_rgb(png);
        if (littleEndian)
            png_set_swap(png);
    } else {
        if (bitDepth == 16)
            png_set_strip_16(png);
        png_set_expand(png);
        if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(png);
        layout.format = QImage::Format_ARGB32;
        if (!(colourType & PNG_COLOR_MASK_ALPHA) && !transparentColour) {
            png_set_filler(png, 0xff, littleEndian ? PNG_FILLER_AFTER : PNG_FILLER_BEFORE);
            layout.format = QImage::Format_RGB32;
        }
        if (!littleEndian)
            png_set_swap_alpha(png);
    }
    // QImage's 32-bit pixels are 0xAARRGGBB native integers: B, G, R, A in memory here. (The
    // 64-bit formats keep R, G, B, A order, each a native 16-bit integer.)
    if (littleEndian && (layout.format == QImage::Format_RGB32 || layout.format == QImage::Format_ARGB32))
        png_set_bgr(png);
    png_read_update_info(png, info);
    return true;
}

bool pngReadRows(PngInput* s, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(s->png)))
        return false;
    png_read_image(s->png, rows);
    return true;
}

bool pngReadEnd(PngInput* s)
{
    if (setjmp(png_jmpbuf(s->png)))
        return false;
    png_read_end(s->png, s->endInfo);
    return true;
}

QList<QRgb> colourTable(png_structp png, png_infop info, const Layout& layout)
{
    QList<QRgb> table;
    png_bytep alpha = nullptr;
    int alphaCount = 0;
    png_color_16p transparent = nullptr;
    const bool hasTrns = png_get_tRNS(png, info, &alpha, &alphaCount, &transparent) != 0;
    if (layout.monoGrey) {
        table = {qRgb(255, 255, 255), qRgb(0, 0, 0)};
        if (hasTrns && transparent) {
            if (transparent->gray == 0)
                table[1] = qRgba(0, 0, 0, 0);
            else if (transparent->gray == 1)
                table[0] = qRgba(255, 255, 255, 0);
        }
    } else if (layout.greyColours > 0) {
        const int n = layout.greyColours;
        for (int i = 0; i < n; ++i) {
            const int c = i * 255 / (n - 1);
            table.append(qRgba(c, c, c, 0xff));
        }
        if (hasTrns && transparent && transparent->gray < n)
            table[transparent->gray] = 0;
    } else if (layout.palette) {
        png_colorp palette = nullptr;
        int count = 0;
        png_get_PLTE(png, info, &palette, &count);
        // A 1-bit picture keeps QImage's black and white where the palette has fewer entries.
        if (layout.format == QImage::Format_Mono)
            table = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
        for (int i = 0; i < count; ++i) {
            const int a = hasTrns && alpha && i < alphaCount ? alpha[i] : 0xff;
            const QRgb colour = qRgba(palette[i].red, palette[i].green, palette[i].blue, a);
            if (i < table.size())
                table[i] = colour;
            else
                table.append(colour);
        }
    }
    return table;
}

// A point that can be a chromaticity: x in [0, 1], y in (0, 1].
bool chromaticity(const QPointF& point)
{
    return point.x() >= 0.0 && point.x() <= 1.0 && point.y() > 0.0 && point.y() <= 1.0;
}

// The colour space as Qt's reader takes it from the chunks: an ICC profile first, then the sRGB
// chunk, then the gamma (with the primaries when given).
QColorSpace colourSpace(png_structp png, png_infop info)
{
    enum
    {
        Undefined,
        GammaChrm,
        Srgb,
        Icc
    } state = Undefined;
    QColorSpace space;
    if (png_get_valid(png, info, PNG_INFO_iCCP)) {
        png_charp name = nullptr;
        int compression = 0;
        png_bytep profile = nullptr;
        png_uint_32 length = 0;
        png_get_iCCP(png, info, &name, &compression, &profile, &length);
        space = QColorSpace::fromIccProfile(
            QByteArray(reinterpret_cast<const char*>(profile), qsizetype(length)));
        if (space.isValid()) {
            if (space.description().isEmpty())
                space.setDescription(QString::fromLatin1(name));
            state = Icc;
        }
    }
    if (png_get_valid(png, info, PNG_INFO_sRGB)) {
        int intent = -1;
        png_get_sRGB(png, info, &intent);
        if (intent >= 0 && intent <= 3 && state <= Srgb) {
            space = QColorSpace::SRgb;
            state = Srgb;
        }
    }
    if (png_get_valid(png, info, PNG_INFO_gAMA)) {
        double gamma = 0.0;
        png_get_gAMA(png, info, &gamma);
        if (gamma > 0.0 && state <= GammaChrm) {
            double wx = 0, wy = 0, rx = 0, ry = 0, gx = 0, gy = 0, bx = 0, by = 0;
            if (png_get_valid(png, info, PNG_INFO_cHRM))
                png_get_cHRM(png, info, &wx, &wy, &rx, &ry, &gx, &gy, &bx, &by);
            const QPointF white(wx, wy), red(rx, ry), green(gx, gy), blue(bx, by);
            const float exponent = float(1.0 / gamma);
            if (chromaticity(white) && chromaticity(red) && chromaticity(green) && chromaticity(blue))
                space = QColorSpace(white, red, green, blue, QColorSpace::TransferFunction::Gamma, exponent);
            else
                space =
                    QColorSpace(QColorSpace::Primaries::SRgb, QColorSpace::TransferFunction::Gamma, exponent);
            state = GammaChrm;
        }
    }
    return space;
}

} // namespace

PngDecoder::PngDecoder() : d(std::make_unique<State>()) {}

PngDecoder::~PngDecoder() = default;

bool PngDecoder::hasSignature(const unsigned char* bytes, size_t count)
{
    return count >= 8 && png_sig_cmp(bytes, 0, 8) == 0;
}

QSize PngDecoder::size() const
{
    return d->pixelSize;
}

QByteArray PngDecoder::iccProfile() const
{
    if (!d->decoded || !d->png || !png_get_valid(d->png, d->info, PNG_INFO_iCCP))
        return QByteArray();
    png_charp name = nullptr;
    int compression = 0;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    png_get_iCCP(d->png, d->info, &name, &compression, &profile, &length);
    return QByteArray(reinterpret_cast<const char*>(profile), qsizetype(length));
}

QByteArray PngDecoder::exif() const
{
    // Read by readChunk(), before or after the pixels.
    return d->decoded ? d->exif : QByteArray();
}

Outcome PngDecoder::open(std::FILE* file)
{
    d = std::make_unique<State>();
    d->file = file;
    d->png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, static_cast<PngInput*>(d.get()), pngError, pngWarning);
    if (d->png) {
        d->info = png_create_info_struct(d->png);
        d->endInfo = png_create_info_struct(d->png);
    }
    if (!d->png || !d->info || !d->endInfo)
        return Outcome::failure(FailureReason::tr("not enough memory to read the PNG header"));
    if (!pngReadHeader(d.get()))
        return Outcome::failure(d->failure(QT_TRANSLATE_NOOP("FailureReason", "cannot decode: %1")));
    d->pixelSize =
        QSize(int(png_get_image_width(d->png, d->info)), int(png_get_image_height(d->png, d->info)));
    d->opened = true;
    return Outcome::success();
}

Outcome PngDecoder::decode(QImage& image, qint64 maximumBytes)
{
    image = QImage();
    if (!d->opened || d->decoded)
        return Outcome::failure(FailureReason::tr("the PNG picture is not open"));
    d->decoded = true;

    Layout layout;
    if (!pngSetUp(d.get(), layout))
        return Outcome::failure(d->failure(QT_TRANSLATE_NOOP("FailureReason", "cannot decode: %1")));
    const qint64 bytesPerLine =
        (qint64(d->pixelSize.width()) * QImage::toPixelFormat(layout.format).bitsPerPixel() + 31) / 32 * 4;
    const bool overLimit = maximumBytes > 0 && bytesPerLine * d->pixelSize.height() > maximumBytes;
    QImage decoded = overLimit ? QImage() : ImageBuffer::allocate(d->pixelSize, layout.format);
    if (decoded.isNull())
        return Outcome::failure(FailureReason::tr("not enough memory to decode a %1 x %2 picture")
                                    .arg(d->pixelSize.width())
                                    .arg(d->pixelSize.height()));
    if (layout.monoGrey || layout.greyColours > 0 || layout.palette)
        decoded.setColorTable(colourTable(d->png, d->info, layout));

    const size_t rowBytes = png_get_rowbytes(d->png, d->info);
    if (rowBytes > size_t(decoded.bytesPerLine()))
        return Outcome::failure(FailureReason::tr("cannot decode: the PNG rows do not fit the picture"));
    std::vector<png_bytep> rows(size_t(d->pixelSize.height()));
    for (int y = 0; y < d->pixelSize.height(); ++y)
        rows[size_t(y)] = decoded.scanLine(y);
    if (!pngReadRows(d.get(), rows.data()))
        return Outcome::failure(d->failure(QT_TRANSLATE_NOOP("FailureReason", "the photo is damaged: %1")));

    // Palette entries beyond the palette: Qt's reader turns them into the first entry.
    if (layout.palette && layout.format == QImage::Format_Indexed8) {
        const int colours = int(decoded.colorCount());
        for (int y = 0; y < decoded.height(); ++y) {
            uchar* line = decoded.scanLine(y);
            for (int x = 0; x < decoded.width(); ++x) {
                if (line[x] >= colours)
                    line[x] = 0;
            }
        }
    }

    // The chunks after the pixels hold texts at most. A file that ends among them (its end
    // chunk missing, say) still gives the whole picture.
    if (!pngReadEnd(d.get()))
        qCWarning(lcPng).noquote()
            << QStringLiteral("after the last row: %1").arg(QString::fromLocal8Bit(d->message));

    const QColorSpace space = colourSpace(d->png, d->info);
    if (space.isValid())
        decoded.setColorSpace(space);
    const png_uint_32 dpmX = png_get_x_pixels_per_meter(d->png, d->info);
    const png_uint_32 dpmY = png_get_y_pixels_per_meter(d->png, d->info);
    if (dpmX > 0 && dpmY > 0) {
        decoded.setDotsPerMeterX(int(dpmX));
        decoded.setDotsPerMeterY(int(dpmY));
    }
    png_int_32 offsetX = 0;
    png_int_32 offsetY = 0;
    int offsetUnit = 0;
    if (png_get_oFFs(d->png, d->info, &offsetX, &offsetY, &offsetUnit) && offsetUnit == PNG_OFFSET_PIXEL)
        decoded.setOffset(QPoint(offsetX, offsetY));
    for (const auto& [key, value] : std::as_const(d->texts))
        decoded.setText(key, value);
    image = std::move(decoded);
    return Outcome::success();
}
