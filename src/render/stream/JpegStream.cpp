#include "render/stream/JpegStream.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>

#include <algorithm>
#include <cstring>
#include <future>
#include <memory>
#include <utility>
#include <vector>

#include "render/OutputNaming.h"
#include "render/RenderRequest.h"
#include "render/TextFieldValues.h"
#include "render/WatermarkCompositor.h"
#include "render/stream/BandPipe.h"
#include "render/stream/CanvasRows.h"
#include "render/stream/MarkBox.h"
#include "services/imaging/ExifThumbnail.h"
#include "services/imaging/ImageCanvas.h"
#include "services/imaging/ImageOrientation.h"
#include "services/imaging/PhotoDecoder.h"
#include "services/imaging/ProfileColourConversion.h"

namespace JpegStream {

namespace {

// Rows read (and dropped) before a wanted row after a skip, so that the upsampling of the
// chroma has the rows above it as in a decoding from the top.
constexpr int kLeadRows = 32;

// Reads the rows of the ranges [first, end) (in order, not overlapping) and hands each, in
// the canvas format, to take(y, line). Rows before a range are skipped.
template <typename Take>
bool readRanges(PhotoDecoder& decoder, CanvasRows& rows, const std::vector<std::pair<int, int>>& ranges,
                Take take)
{
    QImage band = rows.band();
    if (band.isNull())
        return false;
    for (const auto& [first, end] : ranges) {
        const int lead = std::max(decoder.nextRow(), first - kLeadRows);
        if (!decoder.skipRows(lead - decoder.nextRow()))
            return false;
        while (decoder.nextRow() < end) {
            const int top = decoder.nextRow();
            const int count = std::min(CanvasRows::kBand, end - top);
            if (!rows.read(count, band))
                return false;
            for (int i = 0; i < count; ++i) {
                if (top + i >= first)
                    take(top + i, band.constScanLine(i));
            }
        }
    }
    return true;
}

// The ranges sorted, overlapping or touching ones joined.
std::vector<std::pair<int, int>> joined(std::vector<std::pair<int, int>> ranges)
{
    std::sort(ranges.begin(), ranges.end());
    std::vector<std::pair<int, int>> out;
    for (const auto& range : ranges) {
        if (!out.empty() && range.first <= out.back().second)
            out.back().second = std::max(out.back().second, range.second);
        else
            out.push_back(range);
    }
    return out;
}

// The ranges (sorted, not overlapping) cut at `row`: the parts before it and the parts from it on.
std::pair<std::vector<std::pair<int, int>>, std::vector<std::pair<int, int>>>
cutAt(const std::vector<std::pair<int, int>>& ranges, int row)
{
    std::vector<std::pair<int, int>> before;
    std::vector<std::pair<int, int>> after;
    for (const auto& [first, end] : ranges) {
        if (first < row)
            before.emplace_back(first, std::min(end, row));
        if (end > row)
            after.emplace_back(std::max(first, row), end);
    }
    return {before, after};
}

// The photo decoded at the smallest DCT scale that is at least `minimum` in both directions,
// as stored, in the canvas format: all the EXIF thumbnail is made from. Null when it cannot be
// decoded.
QImage reducedPhoto(const QString& path, qint64 pixelLimit, const QSize& minimum)
{
    PhotoDecoder decoder;
    decoder.setPixelLimit(pixelLimit);
    QImage image;
    if (!decoder.open(path) || !decoder.decode(image, minimum))
        return QImage();
    // A grey photo's canvas is RGB32, as Qt turns grey into it.
    return image.format() == QImage::Format_Grayscale8 ? image.convertToFormat(QImage::Format_RGB32) : image;
}

// Puts the stamped part `mark` (stored at `stored` in a photo of `size`) into `reduced`, the
// photo decoded at the DCT scale n/8: each reduced pixel wholly inside the part gets the
// average of the stamped pixels it stands for, as the scaled decoding averages the photo's
// own. Pixels the part's edge crosses keep the photo's: the part reaches well beyond the ink.
void putReduced(QImage& reduced, const QImage& mark, const QRect& stored, int n)
{
    const auto firstInside = [n](int from) { return (from * n + 7) / 8; };   // ceil(from * n / 8)
    const auto endInside = [n](int end) { return end * n / 8; };             // floor(end * n / 8)
    const auto spanStart = [n](int reducedAt) { return reducedAt * 8 / n; }; // floor(at * 8 / n)
    const auto spanEnd = [n](int reducedAt) { return ((reducedAt + 1) * 8 + n - 1) / n; };
    const int top = firstInside(stored.top());
    const int bottom = std::min(endInside(stored.bottom() + 1), reduced.height());
    const int left = firstInside(stored.left());
    const int right = std::min(endInside(stored.right() + 1), reduced.width());
    for (int ry = top; ry < bottom; ++ry) {
        const int y0 = std::max(spanStart(ry), stored.top());
        const int y1 = std::min(spanEnd(ry), stored.bottom() + 1);
        auto* out = reinterpret_cast<QRgb*>(reduced.scanLine(ry));
        for (int rx = left; rx < right; ++rx) {
            const int x0 = std::max(spanStart(rx), stored.left());
            const int x1 = std::min(spanEnd(rx), stored.right() + 1);
            int red = 0;
            int green = 0;
            int blue = 0;
            for (int y = y0; y < y1; ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(mark.constScanLine(y - stored.top()));
                for (int x = x0; x < x1; ++x) {
                    const QRgb pixel = line[x - stored.left()];
                    red += qRed(pixel);
                    green += qGreen(pixel);
                    blue += qBlue(pixel);
                }
            }
            const int count = std::max(1, (y1 - y0) * (x1 - x0));
            out[rx] =
                qRgb((red + count / 2) / count, (green + count / 2) / count, (blue + count / 2) / count);
        }
    }
}

// The resolution a decoded photo's canvas carries (the pictures' default, as the decoder sets
// none), which a TIFF output records.
QSize canvasResolution()
{
    const QImage canvas(1, 1, ImageCanvas::kFormat);
    return QSize(canvas.dotsPerMeterX(), canvas.dotsPerMeterY());
}

} // namespace

std::optional<Outcome> stamp(const RenderRequest& request, const QString& target, const Quality& quality)
{
    const ImageEncoder::FileFormat format = OutputNaming::outputFormat(request.output);
    const bool tiff = format == ImageEncoder::FileFormat::Tiff;
    const bool png = format == ImageEncoder::FileFormat::Png;
    // TIFF and PNG outputs keep the canvas's alpha channel, where a JPEG's lays it onto white.
    const bool keepsAlpha = tiff || png;
    if (!request.streaming || request.mode != ComposeMode::BatchOutput ||
        (format != ImageEncoder::FileFormat::Jpeg && !keepsAlpha) ||
        !resizeSettingsProblem(request.resize, request.resizePictures).isEmpty())
        return std::nullopt;

    // The header as the full path reads it.
    auto ahead = std::make_unique<PhotoDecoder>();
    ahead->setPixelLimit(request.pixelLimit);
    if (!ahead->open(request.sourcePath) || ahead->format() != PhotoDecoder::Format::Jpeg)
        return std::nullopt;
    // Orientations 2 to 4 mirror the photo, turn it half round or flip it: its size stays, a
    // JPEG output keeps the rows as stored (the part drawn on is turned upright and back, which
    // moves pixels without changing them), and a TIFF or PNG output stands upright, which its
    // rows do top down only when the photo is at most mirrored. Turning by a quarter (5 to 8)
    // needs the whole photo.
    const int orientation = ahead->orientation();
    if (orientation > (keepsAlpha ? 2 : 4))
        return std::nullopt;
    const bool turned = orientation >= 2;
    const bool mirrored = orientation == 2;
    const QSize size = ahead->storedSize();
    const auto [exactWidth, exactHeight] =
        exactOutputSize(request.resize, request.resizePictures, size.width(), size.height());
    if (ComputeOutputSize(request.resize, request.resizePictures, size.width(), size.height()) != size ||
        exactWidth != size.width() || exactHeight != size.height())
        return std::nullopt;

    ImageEncoder::Options encoding;
    encoding.sourcePath = request.sourcePath;
    // Skipping or keeping both: a file that took the output's name during the render stays.
    encoding.replaceExisting = request.output.ifOutputExists == OutputSettings::ReplaceExisting;
    const PhotoMetadata embedded = ahead->embeddedMetadata();
    if (keepsAlpha) {
        // The photo's metadata as a TIFF or PNG takes it: its pixels stand upright, and a
        // profile of other colours than RGB would describe other pixels. A TIFF leaves the EXIF
        // thumbnail out; a PNG's is remade from the whole stamped picture by the full path.
        encoding.embedded = embedded;
        encoding.embedded.setOrientation(1);
        if (!encoding.embedded.hasRgbProfile())
            encoding.embedded.icc.clear();
        if (png && !encoding.embedded.exif.isEmpty()) {
            JpegMetadata exif;
            exif.segments.append({JpegMetadata::kApp1, QByteArray("Exif\0\0", 6) + encoding.embedded.exif});
            if (!ExifThumbnail::remadeSize(exif).isEmpty())
                return std::nullopt;
            // A thumbnail that cannot be remade is removed, as the full path does.
            ExifThumbnail::renewUpright(encoding.embedded.exif, QImage(), ahead->orientation());
        }
    } else {
        quality(ahead->chromaSampling(), encoding);
        // Progressive scans are written from the whole picture.
        if (encoding.jpegProgressive)
            return std::nullopt;
        // Stored as the camera stored it: the segments copied byte for byte.
        encoding.metadata = ahead->metadata();
    }
    // An EXIF thumbnail is remade from the photo decoded at a reduced scale (by a decoder of
    // its own, beside the first pass) with the stamped part put in at that scale: the whole
    // photo is never needed. A progressive photo's decoders each hold all its coefficients, so
    // that decoding then waits until the first pass is done.
    const QSize thumbnail = ExifThumbnail::remadeSize(encoding.metadata);
    const int thumbnailScale = thumbnail.isEmpty() ? 8 : PhotoDecoder::dctScaleNumerator(size, thumbnail);
    std::future<QImage> reducing;
    if (!thumbnail.isEmpty())
        reducing = std::async(ahead->isProgressive() ? std::launch::deferred : std::launch::async,
                              [path = request.sourcePath, limit = request.pixelLimit, thumbnail]() {
                                  return reducedPhoto(path, limit, thumbnail);
                              });

    const auto fields = [&]() {
        return TextFieldValues::forPhoto(request.sourcePath, embedded, size, request.photoNumber);
    };
    const std::optional<QRect> box =
        MarkBox::of(request.templateName, size, request.pixelLimit, fields, request.layerText);
    if (!box)
        return std::nullopt;
    // The part drawn on as the rows store it.
    const QRect stored =
        turned && !box->isEmpty() ? ImageOrientation::storedRect(*box, size, orientation) : *box;

    // Read beforehand: the part drawn on, and the bands the Huffman tables are fitted to.
    int bandHeight = 0;
    const QList<int> bands =
        !keepsAlpha && encoding.jpegFittedTables
            ? ImageEncoder::jpegSampleBands(size.height(), encoding.jpegSampling, bandHeight)
            : QList<int>();
    std::vector<std::pair<int, int>> wanted;
    if (!box->isEmpty())
        wanted.emplace_back(stored.top(), stored.bottom() + 1);
    for (const int band : bands)
        wanted.emplace_back(band, band + bandHeight);
    QImage mark;
    QImage sample;
    // The template drawn once onto the photo's own pixels of the part, placed as on the whole
    // photo, in the colours of the profile the output carries. False when it cannot be, with
    // the drawing's failure in `drawFailure`, or with none when the full path is to write it.
    QString drawFailure;
    const auto draw = [&]() {
        if (turned)
            mark = ImageOrientation::turnUpright(std::move(mark), orientation);
        const ProfileColourConversion colours(embedded.icc);
        {
            QPainter painter(&mark);
            painter.translate(-box->left(), -box->top());
            const QList<Outcome> problems = WatermarkCompositor::drawTemplate(
                painter, size, request.templateName, request.pixelLimit,
                colours.isNeeded() ? &colours : nullptr, fields, request.layerText);
            if (!problems.isEmpty()) {
                drawFailure = WatermarkCompositor::sentences(problems).join(QStringLiteral("; "));
                return false;
            }
        }
        // JPEG stores no alpha: transparent parts laid onto white, as the full path does. TIFF
        // and PNG keep it: a mark the drawing left partly transparent is written by the full
        // path (a TIFF with alpha, a PNG with its colours unpremultiplied).
        if (!keepsAlpha)
            mark = ImageCanvas::onWhite(mark);
        else if (ImageCanvas::hasTransparency(mark))
            return false;
        if (turned)
            mark = ImageOrientation::turnBack(std::move(mark), orientation);
        return !mark.isNull();
    };
    // Drawn on its own thread while the bands below the part are read, when there are any.
    std::future<bool> drawing;
    if (!wanted.empty()) {
        QImage::Format decoded = QImage::Format_Invalid;
        if (!ahead->startRows(decoded))
            return std::nullopt;
        CanvasRows aheadRows(*ahead, decoded, size.width());
        if (!box->isEmpty()) {
            mark = QImage(box->size(), aheadRows.format());
            if (mark.isNull())
                return std::nullopt;
        }
        if (!bands.isEmpty()) {
            sample = QImage(size.width(), int(bands.size()) * bandHeight, QImage::Format_RGB32);
            if (sample.isNull())
                return std::nullopt;
        }
        const auto sampleRow = [&](int y, const uchar* line) {
            for (qsizetype i = 0; i < bands.size(); ++i) {
                if (y >= bands[i] && y < bands[i] + bandHeight)
                    std::memcpy(sample.scanLine(int(i) * bandHeight + y - bands[i]), line,
                                size_t(size.width()) * 4);
            }
        };
        const auto [upToMark, belowMark] = cutAt(joined(wanted), box->isEmpty() ? 0 : stored.bottom() + 1);
        const bool read = readRanges(*ahead, aheadRows, upToMark, [&](int y, const uchar* line) {
            if (!mark.isNull() && y >= stored.top() && y <= stored.bottom())
                std::memcpy(mark.scanLine(y - stored.top()), line + qsizetype(stored.left()) * 4,
                            size_t(box->width()) * 4);
            sampleRow(y, line);
        });
        if (!read)
            return std::nullopt;
        if (!mark.isNull() && !belowMark.empty())
            drawing = std::async(std::launch::async, draw);
        // Returning waits for the drawing.
        if (!readRanges(*ahead, aheadRows, belowMark, sampleRow))
            return std::nullopt;
    }
    // A progressive photo's coefficients are held by each decoder: one at a time.
    ahead.reset();

    if (drawing.valid() || !mark.isNull()) {
        if (!(drawing.valid() ? drawing.get() : draw())) {
            if (drawFailure.isEmpty())
                return std::nullopt;
            return Outcome::failure(drawFailure);
        }
        for (qsizetype i = 0; i < bands.size(); ++i) {
            for (int row = 0; row < bandHeight; ++row) {
                const int y = bands[i] + row;
                if (y >= stored.top() && y <= stored.bottom())
                    std::memcpy(sample.scanLine(int(i) * bandHeight + row) + qsizetype(stored.left()) * 4,
                                mark.constScanLine(y - stored.top()), size_t(box->width()) * 4);
            }
        }
    }

    // The thumbnails of the EXIF blocks renewed (or removed) as the full path does, from the
    // reduced photo; a thumbnail renew() cannot remake is removed whatever the picture.
    if (reducing.valid()) {
        QImage reduced = reducing.get();
        // libjpeg rounds the scaled sides up.
        const QSize expected((size.width() * thumbnailScale + 7) / 8,
                             (size.height() * thumbnailScale + 7) / 8);
        if (reduced.size() != expected)
            return std::nullopt;
        if (!mark.isNull())
            putReduced(reduced, mark, stored, thumbnailScale);
        ExifThumbnail::renew(encoding.metadata, reduced);
    } else {
        ExifThumbnail::renew(encoding.metadata, QImage());
    }

    if (request.output.OutputFolderOpts == OutputSettings::ToOutputFolder &&
        !QDir().mkpath(QFileInfo(target).absolutePath()))
        return std::nullopt;

    // The stream itself: rows decoded a band at a time on a thread of their own, the part drawn
    // on put in, and encoded here while the next bands are decoded.
    PhotoDecoder decoder;
    decoder.setPixelLimit(request.pixelLimit);
    QImage::Format decoded = QImage::Format_Invalid;
    if (!decoder.open(request.sourcePath) || decoder.storedSize() != size || !decoder.startRows(decoded))
        return std::nullopt;
    CanvasRows rows(decoder, decoded, size.width());
    BandPipe pipe(rows, size.height(), [&](QImage& band, int first, int count) {
        for (int i = 0; i < count; ++i) {
            const int y = first + i;
            if (!mark.isNull() && y >= stored.top() && y <= stored.bottom())
                std::memcpy(band.scanLine(i) + qsizetype(stored.left()) * 4,
                            mark.constScanLine(y - stored.top()), size_t(box->width()) * 4);
        }
        // What follows the last row is checked before the file is complete.
        return first + count < size.height() || decoder.finishRows();
    });
    if (!pipe.start())
        return std::nullopt;
    Outcome written;
    if (keepsAlpha) {
        // The pixels stand upright in a TIFF or PNG: a mirrored photo's rows are turned back. A
        // PNG of a canvas with an alpha channel is RGBA (opaque here), a TIFF of an opaque one RGB.
        const int width = size.width();
        const bool rgba = png && QImage(1, 1, rows.format()).hasAlphaChannel();
        const int step = rgba ? 4 : 3;
        const PixelRows source = [&](int y, uchar* out) {
            const uchar* line = nullptr;
            if (!pipe.take(y, 1, &line))
                return false;
            const auto* in = reinterpret_cast<const QRgb*>(line);
            for (int x = 0; x < width; ++x, out += step) {
                const QRgb pixel = in[mirrored ? width - 1 - x : x];
                out[0] = uchar(qRed(pixel));
                out[1] = uchar(qGreen(pixel));
                out[2] = uchar(qBlue(pixel));
                if (rgba)
                    out[3] = 255;
            }
            return true;
        };
        written = tiff ? ImageEncoder::writeTiffRows(size, canvasResolution(), source, target, encoding)
                       : ImageEncoder::writePngRows(size, rgba, canvasResolution(), source, target, encoding);
    } else {
        const ImageEncoder::JpegRows source = [&](int first, int count, const uchar** lines) {
            return pipe.take(first, count, lines);
        };
        written = ImageEncoder::writeJpegRows(size, source, sample, target, encoding);
    }
    if (!pipe.finish())
        return std::nullopt;
    return written;
}

} // namespace JpegStream
