#pragma once

#include <QByteArray>
#include <QImage>

// JPEG encoding through libjpeg with the choices ordinary writers do not offer: the colour
// space stored (grey, YCbCr, CMYK with the Adobe marker, YCCK) and progressive scan scripts
// with any number of scans.
namespace HostileJpeg {

enum class Colour
{
    Grey,
    YCbCr,
    Cmyk,
    Ycck
};

struct Options
{
    Colour colour = Colour::YCbCr;
    int quality = 90;
    // 0: baseline. Otherwise progressive, every AC coefficient in its own scan per
    // component, first sent with its low `refinements` bits left out and then refined one
    // bit per scan: 2 + components x 63 x (refinements + 1) scans in all.
    bool progressive = false;
    int refinements = 0;
};

// The encoded file, or an empty array when libjpeg refuses the settings.
QByteArray encode(const QImage& image, const Options& options);

// The number of scans (start-of-scan markers) in a JPEG file.
int scanCount(const QByteArray& jpeg);

} // namespace HostileJpeg
