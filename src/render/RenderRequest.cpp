#include "render/RenderRequest.h"

RenderRequest RenderRequest::fromSettings(const RenderSettings& settings, ComposeMode mode,
                                          const QString& sourcePath, const QString& targetPath)
{
    RenderRequest request;
    request.mode = mode;
    request.sourcePath = sourcePath;
    request.targetPath = targetPath;
    request.templateName = settings.templateName;
    request.output = settings.output;
    request.resize = settings.resize;
    request.resizePictures = settings.resizePictures;
    request.losslessJpeg = settings.losslessJpeg;
    request.quality = settings.quality;
    request.pixelLimit = pixelLimitFromEnvironment();
    request.streaming = streamingFromEnvironment();
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

bool RenderRequest::streamingFromEnvironment()
{
    return qEnvironmentVariable("LUMORA_STREAM") != QLatin1String("0");
}

qint64 RenderRequest::pixelLimitFromEnvironment()
{
    bool ok = false;
    const qint64 limit = qEnvironmentVariable("LUMORA_MAX_PIXELS").toLongLong(&ok);
    return ok && limit > 0 ? limit : PhotoDecoder::kDefaultPixelLimit;
}
