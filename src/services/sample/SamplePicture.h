#pragma once

#include <QImage>

// The built-in sample picture that templates are designed on: a 677 x 625 landscape
// photograph look-alike, held in the program's resources.
constexpr int kSamplePictureWidth = 677;
constexpr int kSamplePictureHeight = 625;

// The sample picture as a 677 x 625 ARGB32 premultiplied image. Safe to call from any
// thread; the picture is decoded once and shared (drawing on the copy detaches it).
QImage samplePicture();
