#include "render/ComposeWatermark.h"

#include "services/language/FailureReason.h"

#include <QMutex>
#include <QMutexLocker>

#include "render/RenderRequest.h"
#include "render/WatermarkCompositor.h"

namespace {

// The editor preview the wrapper draws into. Renders themselves keep no process-wide state.
struct WrapperState
{
    QMutex mutex;
    EditorPreviewTarget* previewTarget = nullptr;
};

WrapperState& state()
{
    static WrapperState instance;
    return instance;
}

EditorPreviewTarget* registeredTarget()
{
    WrapperState& s = state();
    QMutexLocker lock(&s.mutex);
    return s.previewTarget;
}

} // namespace

void setEditorPreviewTarget(EditorPreviewTarget* target)
{
    WrapperState& s = state();
    QMutexLocker lock(&s.mutex);
    s.previewTarget = target;
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
