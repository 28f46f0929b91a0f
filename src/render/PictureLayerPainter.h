#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include "services/files/Outcome.h"

class QPainter;
struct WatermarkConf;

// Draws the picture part of one layer onto a canvas whose placement size is W x H.
//
// Size: (ImageWidth, ImageHeight) when both are at least 1, else the picture's own size;
// with ScaleImgWT (and both set) the width becomes W * ImageWidth div 677 and the height
// follows the set aspect. The anchor comes from ImageLocation and the offsets; the picture
// turns by -ImageRotation degrees about it and every pixel's alpha is multiplied by
// ImageTransparency / 100.
namespace PictureLayerPainter {

// The drawn size for a picture of `own` pixels.
QSize drawnSize(const WatermarkConf& conf, const QSize& own, const QSize& canvas);

// Draws an already loaded picture.
void draw(QPainter& painter, const WatermarkConf& conf, const QImage& picture, const QSize& canvas);

// Loads a layer's picture file at its own size (refusing pictures over pixelLimit). Fails
// with a sentence naming the file and saying why.
Outcome load(const QString& path, qint64 pixelLimit, QImage& picture);

} // namespace PictureLayerPainter
