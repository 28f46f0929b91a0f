#include "render/ComposeWatermark.h"

#include "services/language/FailureReason.h"

#include "render/RenderRequest.h"
#include "render/WatermarkCompositor.h"

ComposeOutcome composeWatermarkOutcome(ComposeMode mode, const RenderSettings& settings,
                                       const QString& sourcePath, const QString& targetPath,
                                       EditorPreviewTarget* preview)
{
    RenderRequest request = RenderRequest::fromSettings(settings, mode, sourcePath, targetPath);
    EditorPreviewTarget* target = nullptr;
    if (mode == ComposeMode::EditorPreview) {
        target = preview;
        if (!target) {
            return ComposeOutcome(Outcome::failure(FailureReason::tr("no editor preview is open")));
        }
        if (target->requestRender()) {
            return ComposeOutcome(Outcome::success());
        }
        request.previewSize = target->previewSize();
    }

    WatermarkCompositor::Result result = WatermarkCompositor::render(request);
    if (result.outcome.ok() && target)
        target->showPreview(result.picture, result.outcome.warnings);
    return result.outcome;
}

int ComposeWatermark(int mode, const RenderSettings& settings, const QString& sourcePath,
                     const QString& targetPath, EditorPreviewTarget* preview)
{
    if (mode < int(ComposeMode::EditorPreview) || mode > int(ComposeMode::BatchOutput))
        return -1;
    if (mode == int(ComposeMode::EditorPreview) && !preview)
        return -1;
    composeWatermarkOutcome(ComposeMode(mode), settings, sourcePath, targetPath, preview);
    return 0;
}
