#include "ui/preview/PreviewRendering.h"

#include <QFileInfo>
#include <QImageReader>

#include "model/OutputSettings.h"
#include "model/ResizeSettings.h"
#include "render/ComposeWatermark.h"
#include "services/folders/FolderTree.h"
#include "services/imaging/ImageCanvas.h"
#include "services/imaging/ImageEncoder.h"
#include "services/imaging/PhotoDecoder.h"
#include "ui/preview/PreviewCache.h"

QImage asWrittenLook(const QImage& picture, const QString& photoPath, int outputFormat,
                     const OutputQuality& quality, QString* error)
{
    const ImageEncoder::FileFormat format =
        ImageEncoder::formatFromNumber(outputFormat).value_or(ImageEncoder::FileFormat::Jpeg);
    ImageEncoder::Options options;
    options.jpegQuality = quality.jpegQuality;
    options.jpegProgressive = quality.progressive;
    options.jpegSampling = quality.sampling == OutputQuality::Sampling::Yuv444 ? QSize(1, 1) : QSize(2, 2);
    if (quality.sampling == OutputQuality::Sampling::AsPhoto) {
        PhotoDecoder photo;
        if (photo.open(photoPath) && !photo.chromaSampling().isEmpty())
            options.jpegSampling = photo.chromaSampling();
    }
    options.webpQuality = quality.webpQuality;
    options.webpLossless = quality.webpLossless;
    QByteArray bytes;
    const ImagingStatus encoded = ImageEncoder::encode(picture, format, options, bytes);
    QImage decoded;
    if (encoded)
        decoded = QImage::fromData(bytes);
    if (decoded.isNull() && error)
        *error = encoded ? QStringLiteral("the encoded picture cannot be decoded") : encoded.error;
    return decoded;
}

PreviewPicture renderPreviewPicture(const QString& photoPath, bool asWritten)
{
    PreviewPicture picture;
    picture.photoPath = photoPath;
    picture.previewPath = PreviewCache::pathFor(photoPath);

    const QFileInfo cached(picture.previewPath);
    if (!cached.exists() && !cached.isSymLink()) {
        CreateFolderPath(PreviewCache::folderFor(photoPath));
        const ComposeOutcome outcome =
            composeWatermarkOutcome(ComposeMode::PreviewFile, photoPath, picture.previewPath);
        picture.composed = true;
        if (!outcome.ok) {
            picture.error = outcome.error;
            return picture;
        }
    }

    // The cache file holds PNG data whatever its name says.
    QImageReader reader(picture.previewPath);
    reader.setDecideFormatFromContent(true);
    QImage rendered;
    if (!reader.read(&rendered)) {
        picture.error = reader.errorString();
        return picture;
    }
    picture.renderedSize = rendered.size();

    QSize output = ComputeOutputSize(rendered.width(), rendered.height());
    if (output.width() <= 0 || output.height() <= 0)
        output = rendered.size();
    picture.display = ImageCanvas::scaledHighQuality(rendered.convertToFormat(ImageCanvas::kFormat), output);
    picture.asWritten = asWritten;
    if (asWritten) {
        const QImage written = asWrittenLook(picture.display, photoPath, getOutputSettings().OutputFormat,
                                             loadOutputQuality(), &picture.error);
        if (!written.isNull())
            picture.display = written.convertToFormat(ImageCanvas::kFormat);
    }
    return picture;
}
