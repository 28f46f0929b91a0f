#pragma once

#include <QByteArray>

// An ICC profile for the colour a HEIF or AVIF file gives by an `nclx` box (ITU-T H.273 code
// points): the box's primaries and white point with its transfer characteristics as tone
// curves, built by LittleCMS, so that outputs carry the photo's colour space as they carry an
// ICC profile read from a file.
namespace NclxProfile {

struct Colour
{
    int primaries = 2; // H.273 colour primaries (2: unspecified)
    int transfer = 2;  // H.273 transfer characteristics (2: unspecified)
    // The primaries' and the white point's chromaticities (x, y), as libheif gives them.
    double red[2] = {0.64, 0.33};
    double green[2] = {0.30, 0.60};
    double blue[2] = {0.15, 0.06};
    double white[2] = {0.3127, 0.3290};
};

// The profile's bytes. Empty for sRGB (BT.709 primaries or unspecified ones with the sRGB or an
// unspecified transfer), which photos without a profile are taken to be already, and for
// transfers that have no curve here (PQ, HLG, logarithmic: high dynamic range), whose photos
// are then taken as they always were.
QByteArray iccProfile(const Colour& colour);

} // namespace NclxProfile
