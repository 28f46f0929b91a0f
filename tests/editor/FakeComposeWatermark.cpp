// Stand-in for the compositor while it is being written: draws the selected template's
// layer texts onto a plain 677 x 625 picture and hands it to the editor preview.
#include <QPainter>

#include "model/LayerFiles.h"
#include "model/SelectedTemplate.h"
#include "model/WatermarkTemplate.h"
#include "render/ComposeWatermark.h"

namespace {
EditorPreviewTarget* g_target = nullptr;
}

void SetEditorPreviewTarget(EditorPreviewTarget* target)
{
    g_target = target;
}

ComposeOutcome ComposeWatermarkOutcome(ComposeMode mode, const QString&, const QString&)
{
    ComposeOutcome outcome;
    if (mode != ComposeMode::EditorPreview || !g_target)
        return outcome;
    QImage canvas(g_target->previewSize(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(QColor(180, 200, 220));
    WatermarkTemplate tmpl;
    if (LoadWatermarkTemplate(SelectedTemplateName(), tmpl)) {
        QPainter p(&canvas);
        int y = 40;
        for (const QString& layer : tmpl.layers) {
            WatermarkConf conf;
            if (LoadLayerConf(layer, conf))
                p.drawText(20, y, conf.textContent);
            y += 30;
        }
    }
    g_target->showPreview(canvas);
    outcome.ok = true;
    return outcome;
}

int ComposeWatermark(int mode, const QString& source, const QString& target)
{
    if (mode == 0 && !g_target)
        return -1;
    ComposeWatermarkOutcome(static_cast<ComposeMode>(mode), source, target);
    return 0;
}
