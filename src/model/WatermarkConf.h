#pragma once

#include <cstdint>

#include <QString>

#include "services/imaging/text/LogFontW.h"

// The settings of one layer: a text section and a picture section, both always present.
// Colours are packed red + 256 * green + 65536 * blue; flags are 0 (off) or anything else (on).
// The member initialisers are the defaults of the first layer of a new template.
struct WatermarkConf
{
    // Text section ("文本")
    QString textContent = QStringLiteral("Lumora For Win");
    LOGFONTW Font = defaultFontRecord();
    std::int32_t FontPointSize = 20;
    std::int32_t Location = 4;
    std::int32_t OffsetH = 0;
    std::int32_t OffsetV = 0;
    std::int32_t Rotation = 30;
    std::int32_t Transparency = 255;
    std::int32_t BAddShadow = 0;
    std::int32_t ShadowH = 2;
    std::int32_t ShadowV = 2;
    std::int32_t ShadowBR = 0;
    std::int32_t ShadowAlpha = 12;
    std::uint32_t ShadowColor = 8421504;
    std::int32_t BFillText = 1;
    std::uint32_t TextColor = 734110;
    std::int32_t BDrawEdge = 0;
    std::uint32_t EdgeColor = 32896;
    std::int32_t EdgeLineThickness = 2;
    std::int32_t EdgeAlpha = 255;
    std::int32_t B3DText = 0;
    std::uint32_t TDTextColor = 8421504;
    std::int32_t TDTextOffset = 6;
    std::int32_t TDTextPos = 3;
    std::int32_t BGradientText = 0;
    std::uint32_t GradientBeginColor = 16776960;
    std::uint32_t GradientEndColor = 255;
    std::int32_t BCoverImage = 0;
    std::int32_t coverImgMethod = 0;
    std::int32_t ScaleTextWT = 1;
    // 1: the text holds fields ({name}, {date}, ...) filled per photo (see TextFields); 0: the
    // text is drawn as written, braces included. Stored only when on.
    std::int32_t BTextTokens = 0;

    // Picture section ("图像")
    QString ImagePathName;
    std::int32_t ImageLocation = 4;
    std::int32_t ImageOffsetH = 0;
    std::int32_t ImageOffsetV = 0;
    std::int32_t ImageRotation = 0;
    std::int32_t ImageTransparency = 100;
    std::int32_t ImageWidth = 0;
    std::int32_t ImageHeight = 0;
    std::int32_t ScaleImgWT = 0;

    friend bool operator==(const WatermarkConf&, const WatermarkConf&) = default;
};

// Size of the built-in sample picture on which layers are designed; scaling carries a
// layer to a photo by the ratios photo width / 677 and photo height / 625.
inline constexpr int kDesignCanvasWidth = 677;
inline constexpr int kDesignCanvasHeight = 625;

// Sets every field of `conf` except its font record to the new-template defaults, the text
// to `text` and the picture path to empty.
void resetToNewTemplateDefaults(WatermarkConf& conf, const QString& text);
