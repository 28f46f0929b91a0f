#include "model/WatermarkConf.h"

WatermarkConf EditConf;

void resetToNewTemplateDefaults(WatermarkConf& conf, const QString& text)
{
    const LOGFONTW font = conf.Font;
    conf = WatermarkConf{};
    conf.Font = font;
    conf.textContent = text;
    conf.ImagePathName.clear();
}

void ResetEditConfToDefaults(const QString& text)
{
    resetToNewTemplateDefaults(EditConf, text);
}
