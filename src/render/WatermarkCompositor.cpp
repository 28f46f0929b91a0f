#include "render/WatermarkCompositor.h"

#include "services/language/FailureReason.h"

#include <QDir>

#include <optional>

#include "model/DataFiles.h"
#include "model/LayerFiles.h"
#include "model/WatermarkConf.h"
#include "model/WatermarkTemplate.h"
#include "render/OutputNaming.h"
#include "render/PhotoCanvas.h"
#include "render/PictureLayerPainter.h"
#include "render/RenderThread.h"
#include "render/TextFieldValues.h"
#include "render/TextFields.h"
#include "render/TextLayerPainter.h"
#include "render/stream/JpegStream.h"
#include "services/imaging/DrawingLayer.h"
#include "services/imaging/ExifThumbnail.h"
#include "services/imaging/ImageCanvas.h"
#include "services/imaging/ImageEncoder.h"
#include "services/imaging/ImageOrientation.h"
#include "services/imaging/JpegBlockMerger.h"
#include "services/imaging/JpegCoefficients.h"
#include "services/imaging/PhotoDecoder.h"
#include "services/imaging/ProfileColourConversion.h"
#include "services/sample/SamplePicture.h"

namespace WatermarkCompositor {

namespace {

Result failed(const Outcome& why)
{
    Result result;
    result.outcome = ComposeOutcome(why);
    return result;
}

Result failed(const QString& reason)
{
    return failed(Outcome::failure(reason));
}

// A photo render fails on any file of the template left out, naming them all.
Outcome leftOut(const QList<Outcome>& problems)
{
    return problems.isEmpty() ? Outcome::success()
                              : Outcome::failure(sentences(problems).join(QStringLiteral("; ")));
}

Result renderEditorPreview(const RenderRequest& request)
{
    if (request.previewSize.isEmpty())
        return failed(FailureReason::tr("no editor preview is open"));
    Result result;
    result.picture = samplePicture();
    if (result.picture.isNull())
        return failed(FailureReason::tr("not enough memory for the sample picture"));
    {
        QPainter painter(&result.picture);
        // Fields show sample values on the sample picture.
        const QSize size = result.picture.size();
        result.outcome.warnings = sentences(drawTemplate(
            painter, request.previewSize, request.templateName, request.pixelLimit, nullptr,
            [size]() { return TextFieldValues::sample(size); }, request.layerText));
    }
    return result;
}

// The layer with its colours converted from sRGB, in which they were chosen, into the photo's
// profile.
WatermarkConf inProfile(const WatermarkConf& conf, const ProfileColourConversion& colours)
{
    // Packed colours are red + 256 * green + 65536 * blue.
    const auto convert = [&](std::uint32_t packed) {
        const QRgb converted =
            colours.convert(qRgb(int(packed & 0xFF), int(packed >> 8 & 0xFF), int(packed >> 16 & 0xFF)));
        return std::uint32_t(qRed(converted)) | std::uint32_t(qGreen(converted)) << 8 |
               std::uint32_t(qBlue(converted)) << 16;
    };
    WatermarkConf out = conf;
    for (std::uint32_t* colour : {&out.ShadowColor, &out.TextColor, &out.EdgeColor, &out.TDTextColor,
                                  &out.GradientBeginColor, &out.GradientEndColor})
        *colour = convert(*colour);
    return out;
}

// The photo's metadata as the output format takes it. The pixels of every output but a JPEG of a
// JPEG or WebP photo stand upright as stored, so their EXIF orientation becomes 1; HEIF and AVIF
// photos were turned by their container, PNG and TIFF photos are never turned.
PhotoMetadata outputMetadata(const PhotoCanvas& photo, ImageEncoder::FileFormat format)
{
    PhotoMetadata metadata = photo.embedded;
    if (format != ImageEncoder::FileFormat::Jpeg || photo.orientation == 0)
        metadata.setOrientation(1);
    // Outputs hold RGB pixels: a grey or CMYK photo's profile would describe other colours.
    if (!metadata.hasRgbProfile())
        metadata.icc.clear();
    return metadata;
}

// True when a pixel of `area` is not grey (premultiplied grey stays equal in its channels).
bool hasColour(const QImage& image, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb pixel = line[x];
            if (qRed(pixel) != qGreen(pixel) || qGreen(pixel) != qBlue(pixel))
                return true;
        }
    }
    return false;
}

// The person's output quality in the encoder's terms. "As the photo": a JPEG photo keeps its own
// chroma sampling (4:4:4 stays 4:4:4), other photos get 4:2:0.
void applyQuality(const OutputQuality& quality, const PhotoCanvas& photo, ImageEncoder::Options& encoding)
{
    encoding.jpegQuality = quality.jpegQuality;
    encoding.jpegProgressive = quality.progressive;
    switch (quality.sampling) {
    case OutputQuality::Sampling::AsPhoto:
        encoding.jpegSampling = photo.chromaSampling.isEmpty() ? QSize(2, 2) : photo.chromaSampling;
        break;
    case OutputQuality::Sampling::Yuv420:
        encoding.jpegSampling = QSize(2, 2);
        break;
    case OutputQuality::Sampling::Yuv444:
        encoding.jpegSampling = QSize(1, 1);
        break;
    }
    encoding.webpQuality = quality.webpQuality;
    encoding.webpLossless = quality.webpLossless;
}

QString describeSource(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The lossless JPEG way of a batch output (see LosslessJpeg): the watermark is drawn upright
// on a transparent layer of the photo's size, turned back into the photo's stored orientation
// and merged into the stored blocks, which are written again without decoding the rest.
// Nothing when the photo does not take this way (not a JPEG, resized, a colour space or coding
// the coefficients cannot be written back in, damaged data): the full path then renders it.
std::optional<Result> renderLossless(const RenderRequest& request, const QString& target)
{
    ImageEncoder::Options encoding;
    encoding.sourcePath = request.sourcePath;
    // Settings the full path refuses are refused there.
    if (!resizeSettingsProblem(request.resize, request.resizePictures).isEmpty())
        return std::nullopt;
    // Skipping or keeping both: a file that took the output's name during the render stays.
    encoding.replaceExisting = request.output.ifOutputExists == OutputSettings::ReplaceExisting;
    QSize storedSize;
    int orientation = 0;
    QByteArray profile;
    PhotoMetadata embedded;
    {
        // The header as the full path reads it: format, size, orientation, metadata, profile.
        PhotoDecoder decoder;
        decoder.setPixelLimit(request.pixelLimit);
        if (!decoder.open(request.sourcePath) || decoder.format() != PhotoDecoder::Format::Jpeg)
            return std::nullopt;
        storedSize = decoder.storedSize();
        orientation = decoder.orientation();
        encoding.metadata = decoder.metadata();
        embedded = decoder.embeddedMetadata();
        profile = embedded.icc;
    }
    const QSize upright = ImageOrientation::uprightSize(storedSize, orientation);
    const auto [exactWidth, exactHeight] =
        exactOutputSize(request.resize, request.resizePictures, upright.width(), upright.height());
    if (ComputeOutputSize(request.resize, request.resizePictures, upright.width(), upright.height()) !=
            upright ||
        exactWidth != upright.width() || exactHeight != upright.height())
        return std::nullopt;

    JpegCoefficients coefficients;
    if (!coefficients.read(request.sourcePath, request.pixelLimit) || coefficients.size() != storedSize)
        return std::nullopt;

    QImage mark;
    QRect stored;
    {
        DrawingLayer layer(upright);
        if (layer.canvas().isNull())
            return failed(FailureReason::tr("not enough memory for a %1 x %2 watermark layer")
                              .arg(upright.width())
                              .arg(upright.height()));
        // As in the full path, the watermark in the colours of the profile the output carries.
        const ProfileColourConversion colours(profile);
        {
            QPainter painter(&layer.canvas());
            const auto fields = [&]() {
                return TextFieldValues::forPhoto(request.sourcePath, embedded, upright, request.photoNumber);
            };
            const Outcome drawnWhole =
                leftOut(drawTemplate(painter, upright, request.templateName, request.pixelLimit,
                                     colours.isNeeded() ? &colours : nullptr, fields, request.layerText));
            if (!drawnWhole)
                return failed(drawnWhole);
        }
        const QRect drawn = layer.drawnArea();
        // A grey photo's blocks would hold a coloured watermark in grey: the full path writes
        // it in colour.
        if (coefficients.componentCount() == 1 && hasColour(layer.canvas(), drawn))
            return std::nullopt;
        if (!drawn.isEmpty()) {
            mark = ImageOrientation::turnBack(layer.canvas().copy(drawn), orientation);
            if (mark.isNull())
                return failed(FailureReason::tr("not enough memory for the watermark"));
            stored = ImageOrientation::storedRect(drawn, upright, orientation);
        }
    }
    if (!mark.isNull() && !JpegBlockMerger::merge(coefficients, mark, stored.topLeft()))
        return std::nullopt;
    if (!coefficients.fitTables())
        return std::nullopt;

    if (request.output.OutputFolderOpts == OutputSettings::ToOutputFolder &&
        !QDir().mkpath(QFileInfo(target).absolutePath()))
        return failed(FailureReason::tr("cannot create the output folder %1")
                          .arg(describeSource(QFileInfo(target).absolutePath())));
    // The copied EXIF thumbnail would show the photo without its watermark.
    ExifThumbnail::renew(encoding.metadata, coefficients.dcPicture());
    const Outcome written = ImageEncoder::writeJpegCoefficients(coefficients, target, encoding);
    if (!written)
        return failed(written);
    Result result;
    result.outcome = ComposeOutcome(written, target);
    return result;
}

Result renderPhoto(const RenderRequest& request)
{
    const bool batch = request.mode == ComposeMode::BatchOutput;

    // Work out where the result goes before the photo is decoded, so that settings that
    // name no usable output fail at once.
    QString target = request.targetPath;
    if (batch && target.isEmpty()) {
        const OutputNaming::OutputName named = OutputNaming::outputPath(request.sourcePath, request.output);
        if (!named)
            return failed(named);
        target = named.path;
    } else if (target.isEmpty()) {
        return failed(FailureReason::tr("no file to write the preview to"));
    }
    if (batch && request.losslessJpeg &&
        OutputNaming::outputFormat(request.output) == ImageEncoder::FileFormat::Jpeg) {
        if (std::optional<Result> lossless = renderLossless(request, target))
            return std::move(*lossless);
    }
    // Streamed output: JPEG photos that JpegStream serves go from the decoder to the encoder a
    // band at a time, without a canvas of the photo's size, into a JPEG, TIFF or PNG output;
    // the others are rendered below.
    const ImageEncoder::FileFormat streamedFormat = OutputNaming::outputFormat(request.output);
    if (batch && (streamedFormat == ImageEncoder::FileFormat::Jpeg ||
                  streamedFormat == ImageEncoder::FileFormat::Tiff ||
                  streamedFormat == ImageEncoder::FileFormat::Png)) {
        const auto quality = [&](const QSize& sampling, ImageEncoder::Options& encoding) {
            PhotoCanvas photo;
            photo.chromaSampling = sampling;
            applyQuality(request.quality, photo, encoding);
        };
        if (const std::optional<Outcome> streamed = JpegStream::stamp(request, target, quality)) {
            if (!*streamed)
                return failed(*streamed);
            Result result;
            result.outcome = ComposeOutcome(Outcome::success(), target);
            result.streamed = true;
            return result;
        }
    }

    PhotoCanvas photo;
    PhotoCanvas::Options options;
    options.resize = request.resize;
    options.resizePictures = request.resizePictures;
    options.pixelLimit = request.pixelLimit;
    // Previews keep the metadata too: the fields of text layers are filled from its tags.
    options.keepMetadata = true;
    const Outcome loaded = PhotoCanvas::load(request.sourcePath, options, photo);
    if (!loaded)
        return failed(loaded);

    // A preview is drawn as the output of the same settings would be, so that its pixels are
    // the output's: outputs that carry the photo's colour profile (every format but BMP) get
    // the watermark in that profile's colours.
    const ImageEncoder::FileFormat format = OutputNaming::outputFormat(request.output);
    const bool carriesProfile = format != ImageEncoder::FileFormat::Bmp;
    // A profile made from a HEIF or AVIF file's nclx colour describes pixels that are not sRGB: an
    // output without a profile gets them converted, so that they show as the photo does.
    if (!carriesProfile && photo.embedded.profileFromNclx) {
        const ProfileColourConversion toSrgb(photo.embedded.icc, ProfileColourConversion::Direction::ToSrgb);
        if (toSrgb.isNeeded()) {
            const QImage::Format canvasFormat = photo.canvas.format();
            photo.canvas = toSrgb.convert(photo.canvas).convertToFormat(canvasFormat);
            if (photo.canvas.isNull())
                return failed(FailureReason::tr("not enough memory to convert the photo's colours"));
        }
    }
    const ProfileColourConversion colours(carriesProfile ? photo.embedded.icc : QByteArray());

    Result result;
    {
        QPainter painter(&photo.canvas);
        const auto fields = [&]() {
            return TextFieldValues::forPhoto(request.sourcePath, photo.embedded, photo.canvas.size(),
                                             request.photoNumber);
        };
        const Outcome drawnWhole =
            leftOut(drawTemplate(painter, photo.canvas.size(), request.templateName, request.pixelLimit,
                                 colours.isNeeded() ? &colours : nullptr, fields, request.layerText));
        if (!drawnWhole)
            return failed(drawnWhole);
    }

    // Formats without alpha store transparent parts laid onto white, as the output preview
    // shows them (not the black of their colour values); PNG, TIFF and WebP keep the alpha.
    if (format == ImageEncoder::FileFormat::Jpeg || format == ImageEncoder::FileFormat::Bmp) {
        const QSize size = photo.canvas.size();
        photo.canvas = ImageCanvas::onWhite(photo.canvas);
        if (photo.canvas.isNull())
            return failed(FailureReason::tr("not enough memory for a %1 x %2 canvas")
                              .arg(size.width())
                              .arg(size.height()));
    }

    ImageEncoder::Options encoding;
    encoding.sourcePath = request.sourcePath;
    // Skipping or keeping both: a file that took the output's name during the render stays.
    encoding.replaceExisting = !batch || request.output.ifOutputExists == OutputSettings::ReplaceExisting;
    Outcome written;
    if (!batch) {
        result.picture = photo.canvas;
        if (request.writePreviewFile)
            written = ImageEncoder::writePng(photo.canvas, target, encoding);
        else
            written = Outcome::success();
    } else {
        if (request.output.OutputFolderOpts == OutputSettings::ToOutputFolder &&
            !QDir().mkpath(QFileInfo(target).absolutePath()))
            return failed(FailureReason::tr("cannot create the output folder %1")
                              .arg(describeSource(QFileInfo(target).absolutePath())));
        QImage stored = std::move(photo.canvas);
        applyQuality(request.quality, photo, encoding);
        if (format != ImageEncoder::FileFormat::Jpeg) {
            encoding.embedded = outputMetadata(photo, format);
            // PNG and WebP outputs carry the EXIF block: its thumbnail would show the photo
            // without its watermark.
            if (format == ImageEncoder::FileFormat::Png || format == ImageEncoder::FileFormat::Webp)
                ExifThumbnail::renewUpright(encoding.embedded.exif, stored, photo.orientation);
        }
        if (format == ImageEncoder::FileFormat::Jpeg) {
            // Stored as the camera stored it, so that the copied orientation item still holds. A
            // JPEG's segments are copied byte for byte, other photos' metadata is put into new ones.
            encoding.metadata =
                photo.isJpeg ? std::move(photo.metadata) : outputMetadata(photo, format).toJpeg();
            stored = ImageOrientation::turnBack(std::move(stored), photo.orientation);
            // The copied EXIF thumbnail would show the photo without its watermark.
            ExifThumbnail::renew(encoding.metadata, stored);
        }
        written = ImageEncoder::write(stored, target, format, encoding);
    }
    if (!written)
        return failed(written);
    result.outcome = ComposeOutcome(written, target);
    return result;
}

} // namespace

QStringList sentences(const QList<Outcome>& outcomes)
{
    QStringList list;
    for (const Outcome& outcome : outcomes)
        list.append(outcome.sentence());
    return list;
}

Outcome drawLayer(QPainter& painter, const WatermarkConf& conf, const QSize& canvas, qint64 pixelLimit,
                  const ProfileColourConversion* colours, const TextFieldValues* fields)
{
    if (conf.BTextTokens != 0) {
        // The filled text is what is measured, scaled, placed and drawn; a text that fills to
        // nothing is drawn as the blank an empty text becomes.
        WatermarkConf filled = conf;
        filled.textContent = TextFields::fill(conf.textContent, fields ? *fields : TextFieldValues());
        if (filled.textContent.isEmpty())
            filled.textContent = QStringLiteral(" ");
        filled.BTextTokens = 0;
        return drawLayer(painter, filled, canvas, pixelLimit, colours);
    }
    if (colours) {
        // The painters draw the layer as given: its colours and picture converted beforehand.
        const WatermarkConf converted = inProfile(conf, *colours);
        TextLayerPainter::draw(painter, converted, canvas);
    } else {
        TextLayerPainter::draw(painter, conf, canvas);
    }
    if (conf.ImagePathName.isEmpty())
        return Outcome::success();
    QImage picture;
    const Outcome loaded = PictureLayerPainter::load(conf.ImagePathName, pixelLimit, picture);
    if (colours)
        picture = colours->convert(picture);
    PictureLayerPainter::draw(painter, conf, picture, canvas);
    return loaded;
}

QList<Outcome> drawTemplate(QPainter& painter, const QSize& canvas, const QString& templateName,
                            qint64 pixelLimit, const ProfileColourConversion* colours,
                            const std::function<TextFieldValues()>& fieldValues,
                            const std::optional<QString>& layerText)
{
    std::optional<TextFieldValues> fields;
    WatermarkTemplate tmpl;
    if (!loadWatermarkTemplate(templateName, tmpl))
        return {Outcome::failure(
            describeUnreadableDataFile(FailureReason::tr("template \"%1\"").arg(templateName),
                                       templateFilePath(templateName), QStringLiteral("Layers")))};
    QList<Outcome> problems;
    WatermarkConf conf;
    for (const QString& layer : std::as_const(tmpl.layers)) {
        if (!LoadLayerConf(layer, conf)) {
            // Drawing the record of the layer before it would stamp values from no file of
            // the person's: the layer is left out.
            problems.append(Outcome::failure(
                describeUnreadableDataFile(FailureReason::tr("layer \"%1\"").arg(layer),
                                           templateFilePath(layer), QStringLiteral("WatermarkConf"))));
            continue;
        }
        // A layer with a text of its own draws the given one instead, its fields filled.
        if (layerText && !conf.textContent.isEmpty()) {
            conf.textContent = *layerText;
            conf.BTextTokens = 1;
        }
        if (conf.BTextTokens != 0 && !fields)
            fields = fieldValues ? fieldValues() : TextFieldValues();
        const Outcome drawn =
            drawLayer(painter, conf, canvas, pixelLimit, colours, fields ? &*fields : nullptr);
        if (!drawn)
            problems.append(drawn);
    }
    return problems;
}

Result render(const RenderRequest& request)
{
    Result result;
    switch (request.mode) {
    case ComposeMode::EditorPreview:
        RenderThread::run([&]() { result = renderEditorPreview(request); });
        return result;
    case ComposeMode::PreviewFile:
    case ComposeMode::BatchOutput:
        RenderThread::run([&]() { result = renderPhoto(request); });
        return result;
    }
    return failed(FailureReason::tr("unknown render mode %1").arg(int(request.mode)));
}

} // namespace WatermarkCompositor
