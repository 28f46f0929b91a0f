#include "services/imaging/PhotoDecoder.h"

#include "services/imaging/HeifDecoder.h"
#include "services/imaging/ImageBuffer.h"
#include "services/imaging/ImageOrientation.h"
#include "services/imaging/JpegBlockArrays.h"
#include "services/imaging/JpegFileSource.h"
#include "services/imaging/PictureCompleteness.h"
#include "services/imaging/PngDecoder.h"
#include "services/imaging/TiffMessages.h"
#include "services/imaging/TiffMetadataReader.h"
#include "services/imaging/WebpDecoder.h"
#include "services/language/FailureReason.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include <jpeglib.h>
// jerror.h needs jpeglib.h first
#include <jerror.h>

namespace {

constexpr int kMaxKeptWarnings = 8;
constexpr size_t kReadBufferSize = 256 * 1024;
// Progressive files may hold any number of scans; a crafted one with thousands would keep the
// decoder busy for minutes. Real photos have about ten.
constexpr int kMaxScans = 1000;

// libjpeg's error manager: errors jump back to the guarded call instead of ending the process,
// warnings are collected instead of printed, and the warnings that mean lost pixels end the
// decoding like errors.
struct JpegErrors
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    QStringList* warnings;
    // While the header is read: where the kept metadata segments go (see readKeptMarker).
    JpegMetadata* metadata;
    // The file ended before its end marker: libjpeg's file source then supplies one.
    bool endOfFile;
    // A warning stopped the decoding: the data is damaged (the message says how).
    bool damaged;
    // The components (bit n for component n) that some scan seen so far carries.
    unsigned scannedComponents;
};

// Warnings after which rows hold made-up pixels: the entropy decoder ran out of data and
// filled in zeros (the grey of a cut-off photo), or lost its place in the data and skipped
// ahead. The others (bytes skipped between segments, an unknown Adobe transform, a bad ICC
// marker) leave every pixel as the file describes it.
bool losesPixels(int code)
{
    return code == JWRN_HIT_MARKER || code == JWRN_HUFF_BAD_CODE || code == JWRN_ARITH_BAD_CODE ||
           code == JWRN_MUST_RESYNC;
}

void jpegErrorExit(j_common_ptr cinfo)
{
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

void jpegEmitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    ++errors->pub.num_warnings;
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JPEG_EOF)
        errors->endOfFile = true;
    if (losesPixels(code)) {
        (*cinfo->err->format_message)(cinfo, errors->message);
        errors->damaged = true;
        std::longjmp(errors->jump, 1);
    }
    if (errors->warnings && errors->warnings->size() < kMaxKeptWarnings) {
        char text[JMSG_LENGTH_MAX];
        (*cinfo->err->format_message)(cinfo, text);
        errors->warnings->append(QString::fromLocal8Bit(text));
    }
}

// Notes the components of the scan being read. Multi-scan files are read whole within
// jpeg_start_decompress(), which calls this before it reads on after each scan header.
void noteScanComponents(j_decompress_ptr cinfo)
{
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    for (int i = 0; i < cinfo->comps_in_scan && i < MAX_COMPS_IN_SCAN; ++i) {
        if (cinfo->cur_comp_info[i] && cinfo->cur_comp_info[i]->component_index < 32)
            errors->scannedComponents |= 1u << cinfo->cur_comp_info[i]->component_index;
    }
}

void jpegOutputMessage(j_common_ptr) {}

// Stops with "its data ends early" when a complete scan is followed by bytes that are no JPEG
// data (see JpegFileSource::scanDataEndsWell): the rows decoded from them were made up.
void checkScanEnd(j_decompress_ptr cinfo)
{
    if (JpegFileSource::scanDataEndsWell(cinfo))
        return;
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    errors->endOfFile = true;
    std::snprintf(errors->message, sizeof errors->message, "the scan data is followed by other bytes");
    std::longjmp(errors->jump, 1);
}

void jpegProgress(j_common_ptr cinfo)
{
    if (!cinfo->is_decompressor)
        return;
    noteScanComponents(reinterpret_cast<j_decompress_ptr>(cinfo));
    checkScanEnd(reinterpret_cast<j_decompress_ptr>(cinfo));
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= kMaxScans)
        return;
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    std::snprintf(errors->message, sizeof errors->message, "the file has more than %d scans", kMaxScans);
    std::longjmp(errors->jump, 1);
}

// libjpeg's processor for the kept markers (APP1, APP2, APP13) while the header is read: the
// payload goes straight into the metadata, whole, in file order. Saving the markers through
// libjpeg would copy them twice, which for photos carrying megabytes of metadata costs more
// than decoding a reduced picture. Markers after the header are skipped, and a length too
// short to count itself keeps nothing and skips nothing, as libjpeg does. The file source
// never suspends, and no object that would need destroying lives across its calls.
boolean readKeptMarker(j_decompress_ptr cinfo)
{
    jpeg_source_mgr* source = cinfo->src;
    int length = 0;
    for (int i = 0; i < 2; ++i) {
        if (source->bytes_in_buffer == 0 && !(*source->fill_input_buffer)(cinfo))
            return FALSE;
        length = length << 8 | *source->next_input_byte++;
        --source->bytes_in_buffer;
    }
    length -= 2;
    if (length < 0)
        return TRUE;
    JpegMetadata* metadata = reinterpret_cast<JpegErrors*>(cinfo->err)->metadata;
    if (!metadata) {
        if (length > 0)
            (*source->skip_input_data)(cinfo, length);
        return TRUE;
    }
    metadata->segments.append({cinfo->unread_marker, QByteArray(length, Qt::Uninitialized)});
    char* payload = metadata->segments.last().data.data();
    int copied = 0;
    while (copied < length) {
        if (source->bytes_in_buffer == 0 && !(*source->fill_input_buffer)(cinfo))
            return FALSE;
        const size_t count = std::min(size_t(length - copied), source->bytes_in_buffer);
        std::memcpy(payload + copied, source->next_input_byte, count);
        source->next_input_byte += count;
        source->bytes_in_buffer -= count;
        copied += int(count);
    }
    return TRUE;
}

// The byte order of QImage's 32-bit formats (0xAARRGGBB as a native integer), alpha 0xff.
constexpr J_COLOR_SPACE kRgb32Space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;

QString pixelLimitText(qint64 limit)
{
    if (limit >= 1'000'000 && limit % 1'000'000 == 0)
        return FailureReason::tr("%1 million").arg(limit / 1'000'000);
    return FailureReason::tr("%1 pixels").arg(limit);
}

Outcome tooLarge(const QSize& size, qint64 limit)
{
    return Outcome::failure(FailureReason::tr("image is %1 x %2 pixels, more than the limit of %3")
                                .arg(size.width())
                                .arg(size.height())
                                .arg(pixelLimitText(limit)));
}

Outcome notAPicture()
{
    return Outcome::failure(
        FailureReason::tr("cannot decode: not a JPEG, PNG, BMP, TIFF, GIF, WebP, HEIF or AVIF file"));
}

// Qt refuses to allocate images above a process-wide limit (in MiB). Raise it, never lower it,
// so that every picture within our own pixel limit can be read.
void allowAllocationFor(qint64 pixelLimit)
{
    static std::mutex mutex;
    const std::lock_guard lock(mutex);
    const qint64 needed = qMin<qint64>(pixelLimit * 4 / (1024 * 1024) + 64, std::numeric_limits<int>::max());
    if (QImageReader::allocationLimit() < needed)
        QImageReader::setAllocationLimit(int(needed));
}

PhotoDecoder::Format formatFromQt(const QByteArray& name)
{
    if (name == "png")
        return PhotoDecoder::Format::Png;
    if (name == "bmp")
        return PhotoDecoder::Format::Bmp;
    if (name == "tiff" || name == "tif")
        return PhotoDecoder::Format::Tiff;
    if (name == "gif")
        return PhotoDecoder::Format::Gif;
    return PhotoDecoder::Format::Unknown;
}

// A JPEG file being read: the file stays open between the header and the pixels.
struct JpegInput
{
    std::FILE* file = nullptr;
    jpeg_decompress_struct cinfo{};
    JpegErrors errors{};
    jpeg_progress_mgr progress{};
    JpegBlockArrays blockArrays;
    bool created = false;

    ~JpegInput() { close(); }

    void close()
    {
        if (created) {
            jpeg_destroy_decompress(&cinfo);
            created = false;
        }
        blockArrays.release();
        if (file) {
            std::fclose(file);
            file = nullptr;
        }
    }

    // Why a guarded call failed: data that ends early or is damaged, else libjpeg's words.
    QString failure() const
    {
        if (errors.endOfFile)
            return FailureReason::tr("the photo is damaged: its data ends early");
        if (errors.damaged)
            return FailureReason::tr("the photo is damaged: %1").arg(QString::fromLocal8Bit(errors.message));
        return FailureReason::tr("cannot decode: %1").arg(QString::fromLocal8Bit(errors.message));
    }
};

// After jpeg_start_decompress(), which reads a multi-scan file whole: false when the file
// ended before its last scan. A progressive file must have brought every coefficient of every
// component to its last bit (coef_bits 0; -1 means never sent), a sequential one every
// component. Files that reach their end marker are taken as they are.
bool scansComplete(const jpeg_decompress_struct& cinfo, const JpegErrors& errors)
{
    if (!errors.endOfFile)
        return true;
    if (cinfo.progressive_mode && cinfo.coef_bits) {
        for (int c = 0; c < cinfo.num_components; ++c) {
            for (int k = 0; k < DCTSIZE2; ++k) {
                if (cinfo.coef_bits[c][k] != 0)
                    return false;
            }
        }
        return true;
    }
    const unsigned all = cinfo.num_components >= 32 ? ~0u : (1u << cinfo.num_components) - 1;
    return (errors.scannedComponents & all) == all;
}

} // namespace

struct PhotoDecoder::State
{
    qint64 pixelLimit = kDefaultPixelLimit;
    QString path;
    Format format = Format::Unknown;
    QSize size;
    JpegMetadata metadata;
    QStringList warnings;
    bool opened = false;
    bool decoded = false;
    JpegInput jpeg;
    PngDecoder png;
    std::FILE* pngFile = nullptr; // open from open() until the pixels are read
    WebpDecoder webp;
    HeifDecoder heif;
    PhotoMetadata embedded; // PNG and TIFF: read with the pixels
    QSize chromaSampling;   // JPEG: see PhotoDecoder::chromaSampling()
    QByteArray qtFormat;    // the Qt reader's name for the other formats

    State() = default;
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State() { closePng(); }

    void closePng()
    {
        if (pngFile) {
            std::fclose(pngFile);
            pngFile = nullptr;
        }
    }
};

namespace {

// Each guarded call below sets the jump target and then only calls libjpeg, so an error jumps
// over no C++ object that would need destroying.

bool jpegCreate(JpegInput& s, QStringList* warnings, JpegMetadata* metadata)
{
    s.cinfo.err = jpeg_std_error(&s.errors.pub);
    s.errors.pub.error_exit = jpegErrorExit;
    s.errors.pub.emit_message = jpegEmitMessage;
    s.errors.pub.output_message = jpegOutputMessage;
    s.errors.warnings = warnings;
    s.errors.metadata = metadata;
    s.errors.endOfFile = false;
    s.errors.damaged = false;
    s.errors.scannedComponents = 0;
    if (setjmp(s.errors.jump))
        return false;
    jpeg_create_decompress(&s.cinfo);
    s.created = true;
    s.blockArrays.install(&s.cinfo);
    s.progress.progress_monitor = jpegProgress;
    s.cinfo.progress = &s.progress;
    JpegFileSource::install(&s.cinfo, s.file);
    jpeg_set_marker_processor(&s.cinfo, JpegMetadata::kApp1, readKeptMarker);
    jpeg_set_marker_processor(&s.cinfo, JpegMetadata::kApp2, readKeptMarker);
    jpeg_set_marker_processor(&s.cinfo, JpegMetadata::kApp13, readKeptMarker);
    jpeg_read_header(&s.cinfo, TRUE);
    noteScanComponents(&s.cinfo);
    s.errors.metadata = nullptr;
    return true;
}

// The luma sampling factors over the chroma ones of a YCbCr photo whose two chroma components
// share factors that divide the luma's; empty for anything else (grey, CMYK, RGB, odd factors).
QSize chromaSamplingOf(const jpeg_decompress_struct& cinfo)
{
    if (cinfo.num_components != 3 || cinfo.jpeg_color_space != JCS_YCbCr)
        return QSize();
    const jpeg_component_info* c = cinfo.comp_info;
    if (c[1].h_samp_factor != c[2].h_samp_factor || c[1].v_samp_factor != c[2].v_samp_factor ||
        c[0].h_samp_factor % c[1].h_samp_factor != 0 || c[0].v_samp_factor % c[1].v_samp_factor != 0)
        return QSize();
    return QSize(c[0].h_samp_factor / c[1].h_samp_factor, c[0].v_samp_factor / c[1].v_samp_factor);
}

bool jpegCalcOutput(JpegInput& s)
{
    if (setjmp(s.errors.jump))
        return false;
    jpeg_calc_output_dimensions(&s.cinfo);
    return true;
}

// Stops with "its data ends early" when the scans read are not the whole picture.
void jpegCheckScans(JpegInput& s)
{
    if (!scansComplete(s.cinfo, s.errors)) {
        std::snprintf(s.errors.message, sizeof s.errors.message, "the file ends before its last scan");
        std::longjmp(s.errors.jump, 1);
    }
}

bool jpegReadDirect(JpegInput& s, uchar* bits, qsizetype bytesPerLine)
{
    if (setjmp(s.errors.jump))
        return false;
    jpeg_start_decompress(&s.cinfo);
    jpegCheckScans(s);
    JSAMPROW rows[16];
    while (s.cinfo.output_scanline < s.cinfo.output_height) {
        const JDIMENSION first = s.cinfo.output_scanline;
        const JDIMENSION count = qMin<JDIMENSION>(16, s.cinfo.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = bits + qsizetype(first + i) * bytesPerLine;
        jpeg_read_scanlines(&s.cinfo, rows, count);
    }
    checkScanEnd(&s.cinfo);
    jpeg_finish_decompress(&s.cinfo);
    return true;
}

bool jpegStartRows(JpegInput& s)
{
    if (setjmp(s.errors.jump))
        return false;
    jpeg_start_decompress(&s.cinfo);
    jpegCheckScans(s);
    return true;
}

bool jpegReadRows(JpegInput& s, uchar* bits, qsizetype bytesPerLine, int count)
{
    if (setjmp(s.errors.jump))
        return false;
    JSAMPROW rows[16];
    for (int i = 0; i < count; ++i)
        rows[i] = bits + qsizetype(i) * bytesPerLine;
    JDIMENSION done = 0;
    while (done < JDIMENSION(count))
        done += jpeg_read_scanlines(&s.cinfo, rows + done, JDIMENSION(count) - done);
    return true;
}

bool jpegSkipRows(JpegInput& s, int count)
{
    if (setjmp(s.errors.jump))
        return false;
    JDIMENSION done = 0;
    while (done < JDIMENSION(count))
        done += jpeg_skip_scanlines(&s.cinfo, JDIMENSION(count) - done);
    return true;
}

bool jpegFinishRows(JpegInput& s)
{
    if (setjmp(s.errors.jump))
        return false;
    checkScanEnd(&s.cinfo);
    jpeg_finish_decompress(&s.cinfo);
    return true;
}

// CMYK and YCCK JPEGs: libjpeg hands out CMYK, which becomes RGB by multiplying each ink
// with the black. Adobe's files (the usual ones) store the inks inverted.
bool jpegReadCmyk(JpegInput& s, uchar* bits, qsizetype bytesPerLine, uchar* rowBuffer)
{
    if (setjmp(s.errors.jump))
        return false;
    jpeg_start_decompress(&s.cinfo);
    jpegCheckScans(s);
    const bool inverted = s.cinfo.saw_Adobe_marker;
    const JDIMENSION width = s.cinfo.output_width;
    while (s.cinfo.output_scanline < s.cinfo.output_height) {
        const JDIMENSION y = s.cinfo.output_scanline;
        JSAMPROW row = rowBuffer;
        jpeg_read_scanlines(&s.cinfo, &row, 1);
        auto* out = reinterpret_cast<QRgb*>(bits + qsizetype(y) * bytesPerLine);
        const uchar* in = rowBuffer;
        for (JDIMENSION x = 0; x < width; ++x, in += 4) {
            int c = in[0], m = in[1], ye = in[2], k = in[3];
            if (!inverted) {
                c = 255 - c;
                m = 255 - m;
                ye = 255 - ye;
                k = 255 - k;
            }
            out[x] = qRgb((c * k + 127) / 255, (m * k + 127) / 255, (ye * k + 127) / 255);
        }
    }
    checkScanEnd(&s.cinfo);
    jpeg_finish_decompress(&s.cinfo);
    return true;
}

} // namespace

PhotoDecoder::PhotoDecoder() : d(std::make_unique<State>())
{
    TiffMessages::routeToQt();
}

PhotoDecoder::~PhotoDecoder() = default;

void PhotoDecoder::setPixelLimit(qint64 pixels)
{
    d->pixelLimit = qMax<qint64>(1, pixels);
}

qint64 PhotoDecoder::pixelLimit() const
{
    return d->pixelLimit;
}

PhotoDecoder::Format PhotoDecoder::format() const
{
    return d->format;
}

QSize PhotoDecoder::storedSize() const
{
    return d->size;
}

const JpegMetadata& PhotoDecoder::metadata() const
{
    return d->metadata;
}

QSize PhotoDecoder::chromaSampling() const
{
    return d->chromaSampling;
}

bool PhotoDecoder::isProgressive() const
{
    return d->format == Format::Jpeg && d->jpeg.created && d->jpeg.cinfo.progressive_mode;
}

int PhotoDecoder::orientation() const
{
    if (d->format == Format::Webp)
        return d->webp.metadata().orientation();
    return d->metadata.orientation();
}

PhotoMetadata PhotoDecoder::embeddedMetadata() const
{
    switch (d->format) {
    case Format::Jpeg:
        return PhotoMetadata::fromJpeg(d->metadata);
    case Format::Webp:
        return d->webp.metadata();
    case Format::Heif:
    case Format::Avif:
        return d->heif.metadata();
    default:
        return d->embedded;
    }
}

QStringList PhotoDecoder::warnings() const
{
    return d->warnings;
}

Outcome PhotoDecoder::open(const QString& path)
{
    const qint64 limit = d->pixelLimit;
    d = std::make_unique<State>();
    d->pixelLimit = limit;
    d->path = path;

    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return Outcome::failure(FailureReason::tr("file not found"));
    if (info.isDir())
        return Outcome::failure(FailureReason::tr("this is a folder, not a picture"));
    if (!info.isFile())
        return Outcome::failure(FailureReason::tr("this is not a regular file"));
    if (info.size() == 0)
        return Outcome::failure(FailureReason::tr("the file is empty"));

    const QByteArray nativePath = QFile::encodeName(path);
    d->jpeg.file = std::fopen(nativePath.constData(), "rbe");
    if (!d->jpeg.file) {
        const int error = errno;
        return Outcome::failure(
            FailureReason::tr("cannot open the file: %1").arg(QString::fromLocal8Bit(std::strerror(error))));
    }
    // libjpeg reads 4 KiB at a time: buffered in larger pieces, a photo takes a few reads.
    std::setvbuf(d->jpeg.file, nullptr, _IOFBF, kReadBufferSize);
    unsigned char magic[16] = {};
    const size_t got = std::fread(magic, 1, sizeof magic, d->jpeg.file);
    std::rewind(d->jpeg.file);
    const bool isJpeg = got >= 3 && magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF;

    if (isJpeg) {
        if (!jpegCreate(d->jpeg, &d->warnings, &d->metadata)) {
            const QString reason = d->jpeg.failure();
            d->jpeg.close();
            return Outcome::failure(reason);
        }
        d->format = Format::Jpeg;
        d->size = QSize(int(d->jpeg.cinfo.image_width), int(d->jpeg.cinfo.image_height));
        d->chromaSampling = chromaSamplingOf(d->jpeg.cinfo);
    } else if (PngDecoder::hasSignature(magic, got)) {
        // Read through libpng, which bounds the memory of the chunks (see PngDecoder).
        d->pngFile = std::exchange(d->jpeg.file, nullptr);
        const Outcome header = d->png.open(d->pngFile);
        if (!header) {
            d->closePng();
            return header;
        }
        d->format = Format::Png;
        d->size = d->png.size();
    } else if (WebpDecoder::hasSignature(magic, got) || HeifDecoder::hasSignature(magic, got)) {
        std::fclose(d->jpeg.file);
        d->jpeg.file = nullptr;
        const bool webp = WebpDecoder::hasSignature(magic, got);
        const Outcome header = webp ? d->webp.open(path, d->pixelLimit) : d->heif.open(path, d->pixelLimit);
        if (!header)
            return header;
        d->format = webp ? Format::Webp : HeifDecoder::isAvif(magic, got) ? Format::Avif : Format::Heif;
        d->size = webp ? d->webp.size() : d->heif.size();
    } else {
        std::fclose(d->jpeg.file);
        d->jpeg.file = nullptr;
        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        if (!reader.canRead())
            return notAPicture();
        d->qtFormat = reader.format();
        d->format = formatFromQt(d->qtFormat);
        if (d->format == Format::Unknown)
            return notAPicture();
        d->size = reader.size();
        if (!d->size.isValid() && reader.supportsOption(QImageIOHandler::Size))
            return Outcome::failure(FailureReason::tr("cannot decode: the picture's header is damaged"));
    }

    if (qint64(d->size.width()) * d->size.height() > d->pixelLimit) {
        const QSize size = d->size;
        d->jpeg.close();
        d->closePng();
        return tooLarge(size, d->pixelLimit);
    }
    d->opened = true;
    return Outcome::success();
}

int PhotoDecoder::dctScaleNumerator(const QSize& fullSize, const QSize& minimumSize)
{
    if (minimumSize.isEmpty() || fullSize.isEmpty())
        return 8;
    for (int n = 1; n < 8; ++n) {
        const qint64 w = (qint64(fullSize.width()) * n + 7) / 8;
        const qint64 h = (qint64(fullSize.height()) * n + 7) / 8;
        if (w >= minimumSize.width() && h >= minimumSize.height())
            return n;
    }
    return 8;
}

QImage::Format PhotoDecoder::setJpegOutput(int scaleNumerator, bool& cmyk)
{
    jpeg_decompress_struct& cinfo = d->jpeg.cinfo;
    cinfo.scale_num = unsigned(scaleNumerator);
    cinfo.scale_denom = 8;
    // Opaque BGRA bytes are valid premultiplied ARGB: the picture is canvas-ready as decoded.
    QImage::Format format = QImage::Format_ARGB32_Premultiplied;
    cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    if (cmyk) {
        cinfo.out_color_space = JCS_CMYK;
    } else if (cinfo.jpeg_color_space == JCS_GRAYSCALE) {
        cinfo.out_color_space = JCS_GRAYSCALE;
        format = QImage::Format_Grayscale8;
    } else {
        cinfo.out_color_space = kRgb32Space;
    }
    return format;
}

Outcome PhotoDecoder::startRows(QImage::Format& format)
{
    if (!d->opened || d->format != Format::Jpeg)
        return Outcome::failure(FailureReason::tr("no JPEG photo is open"));
    if (d->decoded)
        return Outcome::failure(FailureReason::tr("the picture has already been decoded"));
    d->decoded = true;
    bool cmyk = false;
    format = setJpegOutput(8, cmyk);
    if (cmyk)
        return Outcome::failure(FailureReason::tr("the photo's inks are not given row by row"));
    if (!jpegCalcOutput(d->jpeg) || !jpegStartRows(d->jpeg))
        return Outcome::failure(d->jpeg.failure());
    return Outcome::success();
}

bool PhotoDecoder::readRows(uchar* bits, qsizetype bytesPerLine, int count)
{
    return count >= 0 && count <= 16 && nextRow() + count <= d->size.height() &&
           jpegReadRows(d->jpeg, bits, bytesPerLine, count);
}

bool PhotoDecoder::skipRows(int count)
{
    return count >= 0 && nextRow() + count <= d->size.height() && jpegSkipRows(d->jpeg, count);
}

bool PhotoDecoder::finishRows()
{
    return nextRow() == d->size.height() && jpegFinishRows(d->jpeg);
}

int PhotoDecoder::nextRow() const
{
    return int(d->jpeg.cinfo.output_scanline);
}

QString PhotoDecoder::rowFailure() const
{
    return d->jpeg.failure();
}

Outcome PhotoDecoder::decode(QImage& image, const QSize& minimumSize, bool upright)
{
    image = QImage();
    if (!d->opened)
        return Outcome::failure(FailureReason::tr("no picture is open"));
    if (d->decoded)
        return Outcome::failure(FailureReason::tr("the picture has already been decoded"));
    d->decoded = true;
    const int turn = upright ? orientation() : 0;

    if (d->format == Format::Jpeg) {
        jpeg_decompress_struct& cinfo = d->jpeg.cinfo;
        const QSize storedMinimum =
            ImageOrientation::swapsAxes(turn) ? minimumSize.transposed() : minimumSize;
        bool cmyk = false;
        const QImage::Format format = setJpegOutput(dctScaleNumerator(d->size, storedMinimum), cmyk);
        if (!jpegCalcOutput(d->jpeg)) {
            const QString reason = d->jpeg.failure();
            d->jpeg.close();
            return Outcome::failure(reason);
        }

        QImage decoded =
            ImageBuffer::allocate(QSize(int(cinfo.output_width), int(cinfo.output_height)), format);
        if (decoded.isNull()) {
            d->jpeg.close();
            return Outcome::failure(FailureReason::tr("not enough memory to decode a %1 x %2 picture")
                                        .arg(cinfo.output_width)
                                        .arg(cinfo.output_height));
        }
        std::vector<uchar> rowBuffer(cmyk ? size_t(cinfo.output_width) * 4 : 0);
        const bool ok = cmyk ? jpegReadCmyk(d->jpeg, decoded.bits(), decoded.bytesPerLine(), rowBuffer.data())
                             : jpegReadDirect(d->jpeg, decoded.bits(), decoded.bytesPerLine());
        const QString reason = ok ? QString() : d->jpeg.failure();
        d->jpeg.close();
        if (!ok)
            return Outcome::failure(reason);
        image = ImageOrientation::turnUpright(std::move(decoded), turn);
        return Outcome::success();
    }

    if (d->format == Format::Png) {
        allowAllocationFor(d->pixelLimit);
        QImage decoded;
        const Outcome status = d->png.decode(decoded, qint64(QImageReader::allocationLimit()) * 1024 * 1024);
        if (status) {
            d->embedded.icc = d->png.iccProfile();
            d->embedded.exif = PhotoMetadata::tiffStructure(d->png.exif());
            d->embedded.xmp = decoded.text(QStringLiteral("XML:com.adobe.xmp")).toUtf8();
        }
        d->closePng();
        if (!status)
            return status;
        image = ImageOrientation::turnUpright(std::move(decoded), turn);
        return Outcome::success();
    }

    if (d->format == Format::Webp || d->format == Format::Heif || d->format == Format::Avif) {
        QImage decoded;
        const Outcome status = d->format == Format::Webp ? d->webp.decode(decoded) : d->heif.decode(decoded);
        if (!status)
            return status;
        image = ImageOrientation::turnUpright(std::move(decoded), turn);
        return Outcome::success();
    }

    // Qt's readers decode what there is of a cut-off GIF or BMP file and report success; the
    // file's structure tells first whether every row is there.
    const Outcome complete = d->format == Format::Gif    ? PictureCompleteness::checkGif(d->path)
                             : d->format == Format::Bmp  ? PictureCompleteness::checkBmp(d->path)
                             : d->format == Format::Tiff ? PictureCompleteness::checkTiff(d->path)
                                                         : Outcome::success();
    if (!complete)
        return complete;
    allowAllocationFor(d->pixelLimit);
    QImageReader reader(d->path, d->qtFormat);
    QImage decoded;
    if (!reader.read(&decoded) || decoded.isNull())
        return Outcome::failure(FailureReason::tr("cannot decode: %1").arg(reader.errorString()));
    if (qint64(decoded.width()) * decoded.height() > d->pixelLimit)
        return tooLarge(decoded.size(), d->pixelLimit);
    if (d->format == Format::Tiff)
        d->embedded = TiffMetadataReader::read(d->path);
    image = ImageOrientation::turnUpright(std::move(decoded), turn);
    return Outcome::success();
}

Outcome PhotoDecoder::load(const QString& path, QImage& image, qint64 pixelLimit)
{
    image = QImage();
    PhotoDecoder decoder;
    decoder.setPixelLimit(pixelLimit);
    const Outcome opened = decoder.open(path);
    if (!opened)
        return opened;
    return decoder.decode(image);
}
