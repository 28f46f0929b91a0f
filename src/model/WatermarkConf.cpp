#include "model/WatermarkConf.h"

void resetToNewTemplateDefaults(WatermarkConf& conf, const QString& text)
{
    const LOGFONTW font = conf.Font;
    conf = WatermarkConf{};
    conf.Font = font;
    conf.textContent = text;
    conf.ImagePathName.clear();
}
