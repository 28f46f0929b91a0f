#include "render/RenderRequest.h"

#include "model/LosslessJpeg.h"
#include "model/OutputQuality.h"
#include "model/SelectedTemplate.h"
#include "render/BatchRunner.h"

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
    request.losslessJpeg = LosslessJpeg();
    request.quality = outputQuality();
    request.pixelLimit = pixelLimitFromEnvironment();
    request.photoNumber = BatchRunner::photoNumberOnThisThread();
    if (mode == ComposeMode::BatchOutput && targetPath.isEmpty())
        request.targetPath = BatchRunner::plannedOutputOnThisThread();
    return request;
}

qint64 RenderRequest::pixelLimitFromEnvironment()
{
    bool ok = false;
    const qint64 limit = qEnvironmentVariable("LUMORA_MAX_PIXELS").toLongLong(&ok);
    return ok && limit > 0 ? limit : PhotoDecoder::kDefaultPixelLimit;
}
