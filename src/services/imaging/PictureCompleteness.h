#pragma once

#include "services/files/Outcome.h"

#include <QString>

// Checks that a GIF, BMP or TIFF file holds the data of every row of its first picture.
//
// Qt's readers decode what there is of a cut-off GIF or BMP file and report success, the rest
// of the picture left blank; a TIFF reader failure does not say why. These checks look at the
// file's own structure first: GIF's image blocks and the number of pixels their codes make,
// BMP's pixel data against the size its header gives, TIFF's strips and tiles against the file
// size. Each reads the file once, without decoding pixels.
class PictureCompleteness
{
public:
    // Success, or "the photo is damaged: ..." with the reason. A file whose structure the check
    // does not follow (a compression it does not know, a damaged header) passes: the reader
    // decides about it.
    static Outcome checkGif(const QString& path);
    static Outcome checkBmp(const QString& path);
    static Outcome checkTiff(const QString& path);
};
