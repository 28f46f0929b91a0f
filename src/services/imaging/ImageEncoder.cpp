#include "services/imaging/ImageEncoder.h"

#include "services/language/FailureReason.h"

#include "services/files/AtomicFileWriter.h"
#include "services/files/WriterDevice.h"
#include "services/imaging/FileIdentity.h"
#include "services/imaging/JpegCoefficients.h"
#include "services/imaging/JpegHuffmanTables.h"
#include "services/imaging/PngMetadataChunks.h"
#include "services/imaging/PngRowWriter.h"
#include "services/imaging/TiffEncoder.h"
#include "services/imaging/WebpEncoder.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
// jerror.h needs jpeglib.h first
#include <jerror.h>

namespace {

constexpr size_t kOutputBufferSize = 256 * 1024;
// In memory the buffer only collects pieces of the data; small pictures need no more.
constexpr size_t kMemoryBufferSize = 16 * 1024;

// libjpeg's destination: a buffer emptied into the temporary file, or into memory when there
// is no writer. A failed write stops the compression through the error manager; the writer
// keeps the reason.
struct JpegOutput
{
    jpeg_destination_mgr pub;
    jpeg_error_mgr errorManager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    AtomicFileWriter* writer;
    QByteArray* memory;
    std::vector<JOCTET> buffer;
};

JpegOutput* outputOf(j_compress_ptr cinfo)
{
    return static_cast<JpegOutput*>(cinfo->client_data);
}

bool drain(JpegOutput* out, const JOCTET* data, size_t size)
{
    if (!out->writer) {
        out->memory->append(reinterpret_cast<const char*>(data), qsizetype(size));
        return true;
    }
    return out->writer->write(reinterpret_cast<const char*>(data), qint64(size));
}

void initDestination(j_compress_ptr cinfo)
{
    JpegOutput* out = outputOf(cinfo);
    out->pub.next_output_byte = out->buffer.data();
    out->pub.free_in_buffer = out->buffer.size();
}

boolean emptyOutputBuffer(j_compress_ptr cinfo)
{
    JpegOutput* out = outputOf(cinfo);
    if (!drain(out, out->buffer.data(), out->buffer.size()))
        ERREXIT(cinfo, JERR_FILE_WRITE);
    out->pub.next_output_byte = out->buffer.data();
    out->pub.free_in_buffer = out->buffer.size();
    return TRUE;
}

void termDestination(j_compress_ptr cinfo)
{
    JpegOutput* out = outputOf(cinfo);
    const size_t used = out->buffer.size() - out->pub.free_in_buffer;
    if (used > 0 && !drain(out, out->buffer.data(), used))
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

void compressErrorExit(j_common_ptr cinfo)
{
    auto* compress = reinterpret_cast<j_compress_ptr>(cinfo);
    JpegOutput* out = outputOf(compress);
    (*cinfo->err->format_message)(cinfo, out->message);
    std::longjmp(out->jump, 1);
}

void silentOutputMessage(j_common_ptr) {}

// The bytes of QImage's 32-bit formats in native byte order, alpha ignored.
constexpr J_COLOR_SPACE kRgb32Space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

struct JpegJob
{
    const uchar* bits;
    qsizetype bytesPerLine;
    int width;
    int height;
    int quality;
    const JpegMetadata::Segment* segments;
    qsizetype segmentCount;
    bool jfifHeader;
    bool optimizeCoding;
    QSize sampling = QSize(2, 2);
    bool progressive = false;
    // Huffman tables fitted beforehand (see sampledTables); optimizeCoding is then not used.
    const JpegHuffmanTables* tables = nullptr;
    // When set, the rows come from here instead of `bits`.
    const ImageEncoder::JpegRows* rowSource = nullptr;

    // A job for a picture of 32 bits per pixel (from `rgb32`), without metadata segments.
    static JpegJob of(const QImage& source, int quality, bool jfifHeader, bool optimizeCoding)
    {
        return {source.constBits(),
                source.bytesPerLine(),
                source.width(),
                source.height(),
                qBound(1, quality, 100),
                nullptr,
                0,
                jfifHeader,
                optimizeCoding};
    }
};

// Sampling factors libjpeg takes for the luma of an interleaved scan with two 1 x 1 chroma
// components; others give 4:2:0.
QSize usableSampling(const QSize& sampling)
{
    const bool usable = sampling.width() >= 1 && sampling.width() <= 4 && sampling.height() >= 1 &&
                        sampling.height() <= 4 &&
                        sampling.width() * sampling.height() + 2 <= C_MAX_BLOCKS_IN_MCU;
    return usable ? sampling : QSize(2, 2);
}

// Appends bytes to libjpeg's output buffer, emptying it into the file whenever it is full.
bool putBytes(JpegOutput* out, const char* data, size_t size)
{
    while (size > 0) {
        if (out->pub.free_in_buffer == 0) {
            if (!drain(out, out->buffer.data(), out->buffer.size()))
                return false;
            out->pub.next_output_byte = out->buffer.data();
            out->pub.free_in_buffer = out->buffer.size();
        }
        const size_t count = std::min(size, out->pub.free_in_buffer);
        std::memcpy(out->pub.next_output_byte, data, count);
        out->pub.next_output_byte += count;
        out->pub.free_in_buffer -= count;
        data += count;
        size -= count;
    }
    return true;
}

// Writes a marker segment (marker, length, payload) after what libjpeg has put in the buffer
// so far: the bytes jpeg_write_marker would emit, without its call per byte, which for photos
// carrying megabytes of metadata costs more than the compression.
bool writeSegment(j_compress_ptr cinfo, const JpegMetadata::Segment& segment)
{
    JpegOutput* out = outputOf(cinfo);
    const qsizetype length = segment.data.size() + 2;
    const char header[4] = {char(0xFF), char(segment.marker), char(length >> 8), char(length & 0xFF)};
    return putBytes(out, header, sizeof header) &&
           putBytes(out, segment.data.constData(), size_t(segment.data.size()));
}

// Runs the whole compression; returns false when libjpeg stopped with an error. After the
// jump target is set only libjpeg and the writer are called, and no object that would need
// destroying is made.
bool compressGuarded(jpeg_compress_struct& cinfo, JpegOutput& out, const JpegJob& job)
{
    if (setjmp(out.jump))
        return false;
    cinfo.image_width = JDIMENSION(job.width);
    cinfo.image_height = JDIMENSION(job.height);
    cinfo.input_components = 4;
    cinfo.in_color_space = kRgb32Space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, job.quality, TRUE);
    // An EXIF file starts with its APP1 block; JFIF's APP0 would stand in its way.
    cinfo.write_JFIF_header = job.jfifHeader ? TRUE : FALSE;
    cinfo.optimize_coding = job.optimizeCoding ? TRUE : FALSE;
    const QSize sampling = usableSampling(job.sampling);
    cinfo.comp_info[0].h_samp_factor = sampling.width();
    cinfo.comp_info[0].v_samp_factor = sampling.height();
    if (job.progressive)
        jpeg_simple_progression(&cinfo);
    if (job.tables && !job.progressive) {
        job.tables->install(&cinfo);
        cinfo.optimize_coding = FALSE;
    }
    jpeg_start_compress(&cinfo, TRUE);
    // Segments go between the start of the file and the frame header, which libjpeg writes
    // with the first rows.
    for (qsizetype i = 0; i < job.segmentCount; ++i) {
        if (!writeSegment(&cinfo, job.segments[i]))
            ERREXIT(&cinfo, JERR_FILE_WRITE);
    }
    JSAMPROW rows[16];
    while (cinfo.next_scanline < cinfo.image_height) {
        const JDIMENSION first = cinfo.next_scanline;
        const JDIMENSION count = qMin<JDIMENSION>(16, cinfo.image_height - first);
        if (job.rowSource) {
            const uchar* given[16] = {};
            if (!(*job.rowSource)(int(first), int(count), given)) {
                std::snprintf(out.message, sizeof out.message, "the rows stopped");
                std::longjmp(out.jump, 1);
            }
            for (JDIMENSION i = 0; i < count; ++i)
                rows[i] = const_cast<JSAMPROW>(given[i]);
        } else {
            for (JDIMENSION i = 0; i < count; ++i)
                rows[i] = const_cast<JSAMPROW>(job.bits + qsizetype(first + i) * job.bytesPerLine);
        }
        jpeg_write_scanlines(&cinfo, rows, count);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

// Sets a compressor up around out (its destination and error manager), runs the guarded
// work on it and destroys it.
template <typename Guarded> bool withCompressor(JpegOutput& out, Guarded guarded)
{
    out.pub.init_destination = initDestination;
    out.pub.empty_output_buffer = emptyOutputBuffer;
    out.pub.term_destination = termDestination;

    jpeg_compress_struct cinfo{};
    cinfo.client_data = &out;
    cinfo.err = jpeg_std_error(&out.errorManager);
    out.errorManager.error_exit = compressErrorExit;
    out.errorManager.output_message = silentOutputMessage;
    jpeg_create_compress(&cinfo);
    cinfo.dest = &out.pub;
    const bool ok = guarded(cinfo);
    jpeg_destroy_compress(&cinfo);
    return ok;
}

// Sets libjpeg up around out and runs the job.
bool compress(JpegOutput& out, const JpegJob& job)
{
    return withCompressor(out, [&](jpeg_compress_struct& cinfo) { return compressGuarded(cinfo, out, job); });
}

bool isDirect32Bit(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

// The picture in a format libjpeg reads straight (32 bits per pixel); null when memory fails.
QImage rgb32(const QImage& image)
{
    return isDirect32Bit(image.format()) ? image : image.convertToFormat(QImage::Format_RGB32);
}

// Pictures up to this many rows of MCUs get their tables from libjpeg's own fitting pass; taller
// ones from one band of every kSampleEvery.
constexpr int kSampleEvery = 32;
constexpr int kSampledFromBands = 2 * kSampleEvery;

// Huffman tables for a baseline JPEG of the picture, fitted to a sample of it: one band of MCU
// rows in every kSampleEvery, spread over the whole height, encoded with the same quality and
// sampling and counted. libjpeg's own fitting keeps every coefficient of the picture for a
// second pass, which makes a large photo's encoding take half as long again; the sample costs a
// few per cent. Every symbol gets a code (see JpegHuffmanTables), so the tables code any block;
// those the sample does not show get the longest. False when the picture is small enough for
// libjpeg's own fitting, or the sample cannot be made.
// Fits the tables to a sample made of the bands ImageEncoder::jpegSampleBands names, stacked.
bool tablesOfSample(const QImage& sample, int quality, const QSize& sampling, JpegHuffmanTables& tables)
{
    QByteArray data;
    JpegOutput out{};
    out.memory = &data;
    out.buffer.resize(kOutputBufferSize);
    JpegJob job = JpegJob::of(sample, quality, false, false);
    job.sampling = sampling;
    if (!compress(out, job))
        return false;
    JpegCoefficients coefficients;
    return coefficients.read(data, qint64(sample.width()) * sample.height()) && tables.count(coefficients, 0);
}

bool sampledTables(const QImage& source, int quality, const QSize& sampling, JpegHuffmanTables& tables)
{
    int bandHeight = 0;
    const QList<int> bands = ImageEncoder::jpegSampleBands(source.height(), sampling, bandHeight);
    if (bands.isEmpty())
        return false;
    QImage sample(source.width(), int(bands.size()) * bandHeight, QImage::Format_RGB32);
    if (sample.isNull())
        return false;
    for (qsizetype i = 0; i < bands.size(); ++i) {
        for (int row = 0; row < bandHeight; ++row)
            std::memcpy(sample.scanLine(int(i) * bandHeight + row), source.constScanLine(bands[i] + row),
                        size_t(source.width()) * 4);
    }
    return tablesOfSample(sample, quality, sampling, tables);
}

// The segments in the order they are written; fails for one that cannot be written.
Outcome segmentsToWrite(const ImageEncoder::Options& options, const QString& path,
                        QList<JpegMetadata::Segment>& segments)
{
    segments = options.metadata.writeOrder();
    for (const JpegMetadata::Segment& segment : segments) {
        if (!JpegMetadata::isKeptMarker(segment.marker) ||
            segment.data.size() > JpegMetadata::kMaxSegmentData)
            return Outcome::failure(
                FailureReason::tr("cannot write %1: a metadata segment does not fit in a JPEG file")
                    .arg(QDir::toNativeSeparators(path)));
    }
    return Outcome::success();
}

// The outcome of a JPEG written through `out`: a failed write of the file says why it failed,
// otherwise libjpeg's own message.
Outcome jpegOutcome(bool compressed, const JpegOutput& out, const AtomicFileWriter& writer,
                    const QString& path)
{
    if (compressed)
        return Outcome::success();
    if (!writer.status())
        return writer.status();
    return Outcome::failure(FailureReason::tr("cannot encode %1: %2")
                                .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(out.message)));
}

// Encodes the picture as JPEG into `out` (a file's writer or memory) with the options' segments,
// quality, sampling, scans and tables.
Outcome encodeJpegInto(const QImage& image, JpegOutput& out, const ImageEncoder::Options& options,
                       const QString& path, bool& compressed)
{
    compressed = false;
    QList<JpegMetadata::Segment> segments;
    const Outcome writable = segmentsToWrite(options, path, segments);
    if (!writable)
        return writable;
    const QImage source = rgb32(image);
    if (source.isNull())
        return Outcome::failure(
            FailureReason::tr("not enough memory to encode %1").arg(QDir::toNativeSeparators(path)));
    JpegJob job =
        JpegJob::of(source, options.jpegQuality, !options.metadata.hasExif(), options.jpegFittedTables);
    job.sampling = usableSampling(options.jpegSampling);
    job.progressive = options.jpegProgressive;
    JpegHuffmanTables tables;
    if (job.optimizeCoding && !job.progressive && sampledTables(source, job.quality, job.sampling, tables))
        job.tables = &tables;
    job.segments = segments.constData();
    job.segmentCount = segments.size();
    compressed = compress(out, job);
    return Outcome::success();
}

// Encodes rows handed over in order, with the options' segments, quality, sampling and scans;
// the tables fitted to `tableSample` when jpegSampleBands names bands for the height.
Outcome encodeJpegRows(const QSize& size, const ImageEncoder::JpegRows& rows, const QImage& tableSample,
                       AtomicFileWriter& writer, const ImageEncoder::Options& options, const QString& path)
{
    QList<JpegMetadata::Segment> segments;
    const Outcome writable = segmentsToWrite(options, path, segments);
    if (!writable)
        return writable;
    JpegJob job{nullptr,
                0,
                size.width(),
                size.height(),
                qBound(1, options.jpegQuality, 100),
                segments.constData(),
                segments.size(),
                !options.metadata.hasExif(),
                options.jpegFittedTables};
    job.sampling = usableSampling(options.jpegSampling);
    job.progressive = options.jpegProgressive;
    job.rowSource = &rows;
    int bandHeight = 0;
    JpegHuffmanTables tables;
    if (job.optimizeCoding && !job.progressive &&
        !ImageEncoder::jpegSampleBands(size.height(), job.sampling, bandHeight).isEmpty()) {
        if (tableSample.isNull() || !tablesOfSample(tableSample, job.quality, job.sampling, tables))
            return Outcome::failure(
                FailureReason::tr("not enough memory to encode %1").arg(QDir::toNativeSeparators(path)));
        job.tables = &tables;
    }
    JpegOutput out{};
    out.writer = &writer;
    out.buffer.resize(kOutputBufferSize);
    return jpegOutcome(compress(out, job), out, writer, path);
}

Outcome encodeJpeg(const QImage& image, AtomicFileWriter& writer, const ImageEncoder::Options& options,
                   const QString& path)
{
    JpegOutput out{};
    out.writer = &writer;
    out.buffer.resize(kOutputBufferSize);
    bool compressed = false;
    const Outcome prepared = encodeJpegInto(image, out, options, path, compressed);
    if (!prepared)
        return prepared;
    return jpegOutcome(compressed, out, writer, path);
}

// Writes the coefficients: the file header, the metadata segments, then the frame and the
// scans. Returns false when libjpeg stopped with an error.
bool transcodeGuarded(jpeg_compress_struct& cinfo, JpegOutput& out, const JpegCoefficients& coefficients,
                      const QList<JpegMetadata::Segment>& segments, bool jfifHeader)
{
    if (setjmp(out.jump))
        return false;
    coefficients.prepareWriter(&cinfo);
    // An EXIF file starts with its APP1 block; JFIF's APP0 would stand in its way. JFIF also
    // means YCbCr or grey: an RGB photo keeps only the Adobe marker that says RGB.
    cinfo.write_JFIF_header = jfifHeader && coefficients.colorSpace() != JCS_RGB ? TRUE : FALSE;
    jpeg_write_coefficients(&cinfo, coefficients.arrays());
    for (const JpegMetadata::Segment& segment : segments) {
        if (!writeSegment(&cinfo, segment))
            ERREXIT(&cinfo, JERR_FILE_WRITE);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

Outcome transcodeJpeg(const JpegCoefficients& coefficients, AtomicFileWriter& writer,
                      const ImageEncoder::Options& options, const QString& path)
{
    QList<JpegMetadata::Segment> segments;
    const Outcome writable = segmentsToWrite(options, path, segments);
    if (!writable)
        return writable;

    JpegOutput out{};
    out.writer = &writer;
    out.buffer.resize(kOutputBufferSize);
    const bool ok = withCompressor(out, [&](jpeg_compress_struct& cinfo) {
        return transcodeGuarded(cinfo, out, coefficients, segments, !options.metadata.hasExif());
    });
    return jpegOutcome(ok, out, writer, path);
}

Outcome encodeWithQt(const QImage& image, AtomicFileWriter& writer, ImageEncoder::FileFormat format,
                     const QString& path)
{
    const QByteArray name =
        format == ImageEncoder::FileFormat::Png ? QByteArrayLiteral("png") : QByteArrayLiteral("bmp");
    if (!QImageWriter::supportedImageFormats().contains(name))
        return Outcome::failure(
            FailureReason::tr("no %1 encoder is installed").arg(QString::fromLatin1(name.toUpper())));

    // The device writes straight into the temporary file and keeps the first failed write in
    // the writer, whatever the encoder does with the result.
    WriterDevice device(writer);
    QImageWriter encoder(&device, name);
    const bool written = encoder.write(image);
    device.close();
    if (!writer.status())
        return writer.status();
    if (!written)
        return Outcome::failure(FailureReason::tr("cannot encode %1: %2")
                                    .arg(QDir::toNativeSeparators(path), encoder.errorString()));
    return Outcome::success();
}

// Bytes encoded in memory, written through the temporary file's writer.
Outcome writeBytes(const QByteArray& bytes, AtomicFileWriter& writer)
{
    if (!writer.write(bytes.constData(), bytes.size()))
        return writer.status();
    return Outcome::success();
}

Outcome encodeWebp(const QImage& image, AtomicFileWriter& writer, const ImageEncoder::Options& options,
                   const QString& path)
{
    QByteArray bytes;
    const Outcome encoded =
        WebpEncoder::encode(image, options.webpQuality, options.webpLossless, options.embedded, bytes);
    if (!encoded)
        return Outcome::failure(
            QStringLiteral("cannot encode %1: %2").arg(QDir::toNativeSeparators(path), encoded.sentence()));
    return writeBytes(bytes, writer);
}

Outcome encodeTiff(const QImage& image, AtomicFileWriter& writer, const ImageEncoder::Options& options,
                   const QString& path)
{
    QByteArray bytes;
    const Outcome encoded = TiffEncoder::encode(image, options.embedded, bytes);
    if (!encoded)
        return Outcome::failure(FailureReason::tr("cannot encode %1: %2")
                                    .arg(QDir::toNativeSeparators(path), encoded.sentence()));
    return writeBytes(bytes, writer);
}

bool hasPngMetadata(const PhotoMetadata& metadata)
{
    return !metadata.icc.isEmpty() || !metadata.exif.isEmpty() || !metadata.xmp.isEmpty();
}

// PNG with the photo's profile and EXIF block: Qt's writer encodes into memory, then the chunks
// are put in (see PngMetadataChunks).
Outcome encodePngWithMetadata(const QImage& image, AtomicFileWriter& writer, const PhotoMetadata& metadata,
                              const QString& path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter encoder(&buffer, QByteArrayLiteral("png"));
    if (!encoder.write(image))
        return Outcome::failure(QStringLiteral("cannot encode %1: %2")
                                    .arg(QDir::toNativeSeparators(path), encoder.errorString()));
    buffer.close();
    return writeBytes(PngMetadataChunks::embed(bytes, metadata), writer);
}

Outcome emptyPicture(const QString& path)
{
    return Outcome::failure(FailureReason::tr("nothing to write to %1: the picture is empty")
                                .arg(QDir::toNativeSeparators(path)));
}

} // namespace

namespace ImageEncoder {

QByteArray jpegData(const QImage& image, int quality)
{
    if (image.isNull())
        return QByteArray();
    const QImage source = rgb32(image);
    if (source.isNull())
        return QByteArray();

    QByteArray data;
    JpegOutput out{};
    out.memory = &data;
    out.buffer.resize(kMemoryBufferSize);
    // No JFIF header: the data is meant to sit inside another file's metadata, where every
    // byte counts, so the Huffman tables are fitted to the picture too.
    const JpegJob job = JpegJob::of(source, quality, false, true);
    return compress(out, job) ? data : QByteArray();
}

std::optional<FileFormat> formatFromNumber(int number)
{
    if (number < 0 || number > 4)
        return std::nullopt;
    return FileFormat(number);
}

QString extension(FileFormat format)
{
    switch (format) {
    case FileFormat::Jpeg:
        return QStringLiteral("jpg");
    case FileFormat::Png:
        return QStringLiteral("png");
    case FileFormat::Bmp:
        return QStringLiteral("bmp");
    case FileFormat::Tiff:
        return QStringLiteral("tiff");
    case FileFormat::Webp:
        return QStringLiteral("webp");
    }
    return QString();
}

// Writes `path` through an atomic writer with what `encode` puts into it: the source photo
// itself is refused, an encoding that fails leaves the earlier file, and what was written is
// committed only when it is whole.
template <typename Encode> Outcome writeAtomically(const QString& path, const Options& options, Encode encode)
{
    if (!options.sourcePath.isEmpty() && isSameFile(options.sourcePath, path))
        return Outcome::failure(
            FailureReason::tr("the output %1 is the source photo itself; it was left unchanged")
                .arg(QDir::toNativeSeparators(path)));
    AtomicFileWriter writer(path);
    writer.setReplaceExisting(options.replaceExisting);
    const Outcome opened = writer.open();
    if (!opened)
        return opened;
    const Outcome encoded = encode(writer);
    if (!encoded) {
        writer.discard();
        return encoded;
    }
    return writer.commit(options.syncToDisk);
}

Outcome write(const QImage& image, const QString& path, FileFormat format, const Options& options)
{
    if (image.isNull())
        return emptyPicture(path);
    return writeAtomically(path, options, [&](AtomicFileWriter& writer) {
        return format == FileFormat::Jpeg   ? encodeJpeg(image, writer, options, path)
               : format == FileFormat::Webp ? encodeWebp(image, writer, options, path)
               : format == FileFormat::Tiff ? encodeTiff(image, writer, options, path)
               : format == FileFormat::Png && hasPngMetadata(options.embedded)
                   ? encodePngWithMetadata(image, writer, options.embedded, path)
                   : encodeWithQt(image, writer, format, path);
    });
}

QList<int> jpegSampleBands(int height, const QSize& sampling, int& bandHeight)
{
    bandHeight = 8 * usableSampling(sampling).height();
    const int bands = (height + bandHeight - 1) / bandHeight;
    QList<int> first;
    if (bands <= kSampledFromBands)
        return first;
    // The middle band of each group of kSampleEvery.
    for (int i = 0; i < bands / kSampleEvery; ++i)
        first.append((i * kSampleEvery + kSampleEvery / 2) * bandHeight);
    return first;
}

Outcome writeJpegRows(const QSize& size, const JpegRows& rows, const QImage& tableSample, const QString& path,
                      const Options& options)
{
    if (size.isEmpty())
        return emptyPicture(path);
    return writeAtomically(path, options, [&](AtomicFileWriter& writer) {
        return encodeJpegRows(size, rows, tableSample, writer, options, path);
    });
}

Outcome writeTiffRows(const QSize& size, const QSize& dotsPerMeter, const PixelRows& rows,
                      const QString& path, const Options& options)
{
    if (size.isEmpty())
        return emptyPicture(path);
    return writeAtomically(path, options, [&](AtomicFileWriter& writer) {
        QByteArray bytes;
        const Outcome encoded = TiffEncoder::encodeRows(size, dotsPerMeter, rows, options.embedded, bytes);
        if (!encoded)
            return Outcome::failure(FailureReason::tr("cannot encode %1: %2")
                                        .arg(QDir::toNativeSeparators(path), encoded.sentence()));
        return writeBytes(bytes, writer);
    });
}

Outcome writePngRows(const QSize& size, bool alpha, const QSize& dotsPerMeter, const PixelRows& rows,
                     const QString& path, const Options& options)
{
    if (size.isEmpty())
        return emptyPicture(path);
    return writeAtomically(path, options, [&](AtomicFileWriter& writer) {
        // The metadata chunks go in after the header chunk, as encodePngWithMetadata puts them.
        const PngRowWriter::Head head = [&](const QByteArray& chunks) {
            return hasPngMetadata(options.embedded) ? PngMetadataChunks::embed(chunks, options.embedded)
                                                    : chunks;
        };
        const PngRowWriter::Sink sink = [&](const char* data, qint64 count) {
            return writer.write(data, count);
        };
        const Outcome written = PngRowWriter::write(size, alpha, dotsPerMeter, rows, head, sink);
        if (written || !writer.status())
            return written ? written : writer.status();
        return Outcome::failure(FailureReason::tr("cannot encode %1: %2")
                                    .arg(QDir::toNativeSeparators(path), written.sentence()));
    });
}

Outcome writeJpegCoefficients(const JpegCoefficients& coefficients, const QString& path,
                              const Options& options)
{
    return writeAtomically(path, options, [&](AtomicFileWriter& writer) {
        return transcodeJpeg(coefficients, writer, options, path);
    });
}

Outcome encode(const QImage& image, FileFormat format, const Options& options, QByteArray& out)
{
    out.clear();
    if (image.isNull())
        return Outcome::failure(FailureReason::tr("nothing to encode: the picture is empty"));
    Outcome status;
    switch (format) {
    case FileFormat::Jpeg: {
        JpegOutput memory{};
        memory.memory = &out;
        memory.buffer.resize(kOutputBufferSize);
        bool compressed = false;
        status = encodeJpegInto(image, memory, options, QString(), compressed);
        if (status && !compressed)
            status = Outcome::failure(QString::fromLocal8Bit(memory.message));
        break;
    }
    case FileFormat::Webp:
        status = WebpEncoder::encode(image, options.webpQuality, options.webpLossless, options.embedded, out);
        break;
    case FileFormat::Tiff:
        status = TiffEncoder::encode(image, options.embedded, out);
        break;
    case FileFormat::Png:
    case FileFormat::Bmp: {
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter encoder(&buffer,
                             format == FileFormat::Png ? QByteArrayLiteral("png") : QByteArrayLiteral("bmp"));
        status = encoder.write(image) ? Outcome::success() : Outcome::failure(encoder.errorString());
        buffer.close();
        if (status && format == FileFormat::Png)
            out = PngMetadataChunks::embed(out, options.embedded);
        break;
    }
    }
    if (!status)
        out.clear();
    return status;
}

Outcome writePng(const QImage& image, const QString& path, const Options& options)
{
    return write(image, path, FileFormat::Png, options);
}

} // namespace ImageEncoder
