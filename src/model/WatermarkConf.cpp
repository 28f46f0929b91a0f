#include "model/WatermarkConf.h"

WatermarkConf EditConf;
WatermarkConf RenderConf;

void ResetToNewTemplateDefaults(WatermarkConf& conf, const QString& text)
{
    const LOGFONTW font = conf.Font;
    conf = WatermarkConf{};
    conf.Font = font;
    conf.textContent = text;
    conf.ImagePathName.clear();
}

void ResetEditConfToDefaults(const QString& text)
{
    ResetToNewTemplateDefaults(EditConf, text);
}
