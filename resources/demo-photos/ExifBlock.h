#pragma once

#include <QByteArray>
#include <QString>

// A minimal EXIF APP1 payload ("Exif\0\0" + a little-endian TIFF structure) holding the
// camera make and model, the date and the orientation item, as a camera writes them.
QByteArray MakeExifBlock(int orientation, const QString& make, const QString& model, const QString& dateTime);
