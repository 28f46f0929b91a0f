#pragma once

#include <QString>

#include "model/WatermarkConf.h"
#include "services/imaging/text/LogFontW.h"

// Layer files: templates folder + "/" + layer name + ".xml", root "WatermarkConf" with the
// text section "文本" and the picture section "图像". Readers look the elements up in the
// fixed order, forward only, so an element that stands before one already found is missed
// and its field keeps the value it had. Every operation refuses a name that is not valid
// (IsValidTemplateName) with false and touches nothing.

// Writes a new layer file from `conf`, with `font` as its font record (new layers get the
// default font record, not the record being edited). True when the file was written.
bool SaveLayerConf(const QString& layerName, const WatermarkConf& conf,
                   const LOGFONTW& font = defaultFontRecord());

// Reads a layer file into `into`: only fields whose elements are found change, except that
// a missing "ScaleTextWT" becomes 1, a missing "BTextTokens" 0 and a missing "ScaleImgWT" 0
// (when their section is there), and an empty text becomes a single blank. False, with `into` unchanged, when
// the file does not load or has no "WatermarkConf".
bool LoadLayerConf(const QString& layerName, WatermarkConf& into);

// As LoadLayerConf, but an empty text stays empty (the editors show what is stored).
bool LoadEditConf(const QString& layerName, WatermarkConf& into);

// Writes `conf` (its own font record included) into an existing layer file element by
// element; "ScaleTextWT", "ImageWidth", "ImageHeight" and "ScaleImgWT" are added when
// missing, and "BTextTokens" (after "ScaleTextWT") is added when on and removed when off. A file that does
// not load is not written. True when the file was saved.
bool StoreEditConf(const QString& layerName, const WatermarkConf& conf);
