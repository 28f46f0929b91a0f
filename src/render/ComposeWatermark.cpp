#include "render/ComposeWatermark.h"

#include "services/language/FailureReason.h"

#include "model/ProcessValue.h"
#include "render/RenderRequest.h"
#include "render/WatermarkCompositor.h"

namespace {

// The editor preview the wrapper draws into. Renders themselves keep no process-wide state.
ProcessValue<EditorPreviewTarget*>& previewTarget()
{
    static ProcessValue<EditorPreviewTarget*> instance(nullptr);
    return instance;
}

EditorPreviewTarget* registeredTarget()
{
    return previewTarget().get();
}

} // namespace

void setEditorPreviewTarget(EditorPreviewTarget* target)
{
    previewTarget().set(target);
}

ComposeOutcome composeWatermarkOutcome(ComposeMode mode, const QString& sourcePath, const QString& targetPath)
{
    RenderRequest request = RenderRequest::fromProcessSettings(mode, sourcePath, targetPath);
    EditorPreviewTarget* target = nullptr;
    if (mode == ComposeMode::EditorPreview) {
        // The editor registers and withdraws its preview on the thread that renders it.
        target = registeredTarget();
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

int ComposeWatermark(int mode, const QString& sourcePath, const QString& targetPath)
{
    if (mode < int(ComposeMode::EditorPreview) || mode > int(ComposeMode::BatchOutput))
        return -1;
    if (mode == int(ComposeMode::EditorPreview) && !registeredTarget())
        return -1;
    composeWatermarkOutcome(ComposeMode(mode), sourcePath, targetPath);
    return 0;
}
