#include "render/RenderRequest.h"

#include "model/LosslessJpeg.h"
#include "model/OutputQuality.h"
#include "model/SelectedTemplate.h"

RenderRequest RenderRequest::fromProcessSettings(ComposeMode mode, const QString& sourcePath,
                                                 const QString& targetPath)
{
    RenderRequest request;
    request.mode = mode;
    request.sourcePath = sourcePath;
    request.targetPath = targetPath;
    request.templateName = SelectedTemplateName();
    request.output = getOutputSettings();
    request.resize = getResizeSettings();
    request.resizePictures = ResizePictures();
    request.losslessJpeg = losslessJpegChoice();
    request.quality = outputQuality();
    request.pixelLimit = pixelLimitFromEnvironment();
    return request;
}

RenderRequest RenderRequest::forPhoto(const QString& path, int number, const QString& plannedOutput) const
{
    RenderRequest request = *this;
    request.sourcePath = path;
    request.photoNumber = number;
    request.targetPath = plannedOutput;
    return request;
}

qint64 RenderRequest::pixelLimitFromEnvironment()
{
    bool ok = false;
    const qint64 limit = qEnvironmentVariable("LUMORA_MAX_PIXELS").toLongLong(&ok);
    return ok && limit > 0 ? limit : PhotoDecoder::kDefaultPixelLimit;
}
