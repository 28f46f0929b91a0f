#include "ui/preview/PreviewRendering.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include "model/DataFiles.h"
#include "model/LayerFiles.h"
#include "model/OutputSettings.h"
#include "model/WatermarkConf.h"
#include "model/WatermarkTemplate.h"
#include "render/LayerOutline.h"
#include "render/OutputNaming.h"
#include "render/RenderRequest.h"
#include "render/TextFieldValues.h"
#include "render/WatermarkCompositor.h"
#include "services/folders/FolderTree.h"
#include "services/imaging/ImageCanvas.h"
#include "services/imaging/ImageEncoder.h"
#include "services/imaging/PhotoDecoder.h"
#include "ui/preview/PreviewCache.h"
#include "ui/preview/PreviewFitting.h"

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
    const Outcome encoded = ImageEncoder::encode(picture, format, options, bytes);
    QImage decoded;
    if (encoded)
        decoded = QImage::fromData(bytes);
    if (decoded.isNull() && error)
        *error = encoded ? QStringLiteral("the encoded picture cannot be decoded") : encoded.sentence();
    return decoded;
}

namespace {

void addFileStamp(QDataStream& out, const QString& path)
{
    const QFileInfo info(path);
    out << path << info.exists() << qint64(info.exists() ? info.size() : -1)
        << qint64(info.exists() ? info.lastModified().toMSecsSinceEpoch() : 0);
}

void addFileBytes(QDataStream& out, const QString& path)
{
    QFile file(path);
    out << path << (file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
}

} // namespace

RenderRequest previewRequest(const RenderSettings& settings, const QString& photoPath, int photoNumber)
{
    RenderRequest request = RenderRequest::fromSettings(settings, ComposeMode::PreviewFile, photoPath,
                                                        PreviewCache::pathFor(photoPath));
    request.photoNumber = qMax(0, photoNumber);
    return request;
}

QByteArray renderFingerprint(const RenderRequest& request)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    addFileStamp(out, request.sourcePath);
    out << request.templateName << int(OutputNaming::outputFormat(request.output)) << request.resize.ScaleType
        << request.resize.TargetWidth << request.resize.TargetHeight << request.resize.ResizeEveryTime
        << request.resizePictures << request.pixelLimit << request.photoNumber;
    addFileBytes(out, templateFilePath(request.templateName));
    WatermarkTemplate tmpl;
    if (loadWatermarkTemplate(request.templateName, tmpl)) {
        WatermarkConf conf;
        for (const QString& layer : std::as_const(tmpl.layers)) {
            addFileBytes(out, templateFilePath(layer));
            if (LoadLayerConf(layer, conf) && !conf.ImagePathName.isEmpty())
                addFileStamp(out, conf.ImagePathName);
        }
    }
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

bool writePreviewCache(const PreviewPicture& picture)
{
    if (picture.display.isNull())
        return false;
    CreateFolderPath(PreviewCache::folderFor(picture.photoPath));
    ImageEncoder::Options options;
    options.sourcePath = picture.photoPath;
    if (!ImageEncoder::writePng(picture.display, picture.previewPath, options))
        return false;
    PreviewCache::remember(picture.previewPath, picture.fingerprint);
    return true;
}

PreviewPicture renderPreviewPicture(const RenderRequest& preview, const QSize& area, bool writeCache,
                                    bool asWritten)
{
    RenderRequest request = preview;
    request.writePreviewFile = writeCache;
    const QString photoPath = request.sourcePath;
    PreviewPicture picture;
    picture.photoPath = photoPath;
    picture.previewPath = request.targetPath;
    picture.fingerprint = renderFingerprint(request);

    const QFileInfo cached(picture.previewPath);
    const bool current = PreviewCache::isCurrent(picture.previewPath, picture.fingerprint) &&
                         cached.isFile() && !cached.isSymLink();
    if (current) {
        // The cache file holds PNG data whatever its name says.
        QImageReader reader(picture.previewPath);
        reader.setDecideFormatFromContent(true);
        if (!reader.read(&picture.display))
            picture.display = QImage();
    }
    if (picture.display.isNull()) {
        CreateFolderPath(PreviewCache::folderFor(photoPath));
        const WatermarkCompositor::Result result = WatermarkCompositor::render(request);
        picture.composed = true;
        if (!result.outcome.ok()) {
            picture.error = result.outcome.sentence();
            return picture;
        }
        if (writeCache)
            PreviewCache::remember(picture.previewPath, picture.fingerprint);
        picture.display = result.picture;
    }
    if (picture.display.format() != QImage::Format_RGB32 && picture.display.format() != ImageCanvas::kFormat)
        picture.display = picture.display.convertToFormat(ImageCanvas::kFormat);
    picture.renderedSize = picture.display.size();
    picture.asWritten = asWritten;
    if (asWritten) {
        const QImage written = asWrittenLook(picture.display, photoPath, request.output.OutputFormat,
                                             request.quality, &picture.error);
        if (!written.isNull())
            picture.display = written.convertToFormat(ImageCanvas::kFormat);
    }
    if (!area.isEmpty()) {
        const QSize shown = fitPreviewRect(picture.display.size(), QRect(QPoint(0, 0), area)).size();
        if (shown != picture.display.size())
            picture.fitted = ImageCanvas::scaledHighQuality(picture.display, shown);
    }
    // Placement refers to the photo at the size the run makes it, which the picture has.
    picture.outside =
        LayerOutlines::layersOutside(request.templateName, picture.renderedSize, request.pixelLimit, [&]() {
            PhotoDecoder decoder;
            const bool opened = static_cast<bool>(decoder.open(photoPath));
            return TextFieldValues::forPhoto(photoPath, opened ? decoder.embeddedMetadata() : PhotoMetadata(),
                                             picture.renderedSize, request.photoNumber);
        });
    return picture;
}
