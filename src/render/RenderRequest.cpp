#include "render/RenderRequest.h"

#include "model/SelectedTemplate.h"

RenderRequest RenderRequest::fromProcessSettings(ComposeMode mode, const QString& sourcePath,
                                                 const QString& targetPath)
{
    RenderRequest request;
    request.mode = mode;
    request.sourcePath = sourcePath;
    request.targetPath = targetPath;
    request.templateName = SelectedTemplateName();
    request.output = GetOutputSettings();
    request.resize = GetResizeSettings();
    request.resizePictures = ResizePictures();
    return request;
}
