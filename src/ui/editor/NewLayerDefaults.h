#pragma once

struct WatermarkConf;

// The values a layer added in the template editor starts from: every field except the font
// record (the new layer file gets the default font record when it is written).
void setNewLayerDefaults(WatermarkConf& conf);
