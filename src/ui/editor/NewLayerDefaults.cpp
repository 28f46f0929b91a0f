#include "ui/editor/NewLayerDefaults.h"

#include "model/WatermarkConf.h"

#include <QCoreApplication>

void setNewLayerDefaults(WatermarkConf& conf)
{
    conf.textContent = QCoreApplication::translate("NewLayerDefaults", "Lumora  - 新建图层");
    conf.FontPointSize = 20;
    conf.Location = 4;
    conf.OffsetH = 0;
    conf.OffsetV = 0;
    conf.Rotation = 0;
    conf.Transparency = 255;
    conf.BAddShadow = 0;
    conf.ShadowH = 2;
    conf.ShadowV = 2;
    conf.ShadowBR = 0;
    conf.ShadowAlpha = 12;
    conf.ShadowColor = 8421504;
    conf.BFillText = 1;
    conf.TextColor = 717040;
    conf.BDrawEdge = 0;
    conf.EdgeColor = 32896;
    conf.EdgeLineThickness = 2;
    conf.EdgeAlpha = 255;
    conf.B3DText = 0;
    conf.TDTextColor = 8421504;
    conf.TDTextOffset = 6;
    conf.TDTextPos = 3;
    conf.BGradientText = 0;
    conf.GradientBeginColor = 16776960;
    conf.GradientEndColor = 255;
    conf.BCoverImage = 0;
    conf.coverImgMethod = 0;
    conf.ScaleTextWT = 1;
    conf.BTextTokens = 0;
    conf.ImagePathName.clear();
    conf.ImageLocation = 4;
    conf.ImageOffsetH = 0;
    conf.ImageOffsetV = 0;
    conf.ImageRotation = 0;
    conf.ImageTransparency = 100;
    conf.ImageWidth = 0;
    conf.ImageHeight = 0;
    conf.ScaleImgWT = 0;
}
