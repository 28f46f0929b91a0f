#include "services/imaging/NclxProfile.h"

#include <QString>

#include <memory>

#include <lcms2.h>

namespace {

// H.273 code points used here.
constexpr int kPrimariesBt709 = 1;
constexpr int kUnspecified = 2;
constexpr int kTransferSrgb = 13;

struct CurveDeleter
{
    void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
};

// The decoding curve (coded value to linear light) of a transfer characteristic, as LittleCMS's
// parametric type 4: Y = (aX + b)^g for X >= d, Y = cX below. Null for one without a curve here.
cmsToneCurve* transferCurve(int transfer)
{
    switch (transfer) {
    case 1:  // BT.709
    case 6:  // BT.601
    case 14: // BT.2020, 10 bits
    case 15: // BT.2020, 12 bits
    {
        const cmsFloat64Number bt709[5] = {1 / 0.45, 1 / 1.099, 0.099 / 1.099, 1 / 4.5, 0.081};
        return cmsBuildParametricToneCurve(nullptr, 4, bt709);
    }
    case kUnspecified:
    case kTransferSrgb: {
        const cmsFloat64Number srgb[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
        return cmsBuildParametricToneCurve(nullptr, 4, srgb);
    }
    case 4: // BT.470 System M: gamma 2.2
        return cmsBuildGamma(nullptr, 2.2);
    case 5: // BT.470 System B, G: gamma 2.8
        return cmsBuildGamma(nullptr, 2.8);
    case 8: // linear
        return cmsBuildGamma(nullptr, 1.0);
    default:
        return nullptr;
    }
}

} // namespace

namespace NclxProfile {

QByteArray iccProfile(const Colour& colour)
{
    const bool srgbPrimaries = colour.primaries == kPrimariesBt709 || colour.primaries == kUnspecified;
    const bool srgbTransfer = colour.transfer == kTransferSrgb || colour.transfer == kUnspecified;
    if (srgbPrimaries && srgbTransfer)
        return QByteArray();
    const std::unique_ptr<cmsToneCurve, CurveDeleter> curve(transferCurve(colour.transfer));
    if (!curve)
        return QByteArray();
    // Unspecified primaries are BT.709's, whatever libheif filled in.
    const bool bt709 = colour.primaries == kUnspecified;
    const cmsCIExyY white{bt709 ? 0.3127 : colour.white[0], bt709 ? 0.3290 : colour.white[1], 1.0};
    const cmsCIExyYTRIPLE primaries{{bt709 ? 0.64 : colour.red[0], bt709 ? 0.33 : colour.red[1], 1.0},
                                    {bt709 ? 0.30 : colour.green[0], bt709 ? 0.60 : colour.green[1], 1.0},
                                    {bt709 ? 0.15 : colour.blue[0], bt709 ? 0.06 : colour.blue[1], 1.0}};
    cmsToneCurve* curves[3] = {curve.get(), curve.get(), curve.get()};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    if (!profile)
        return QByteArray();
    cmsMLU* description = cmsMLUalloc(nullptr, 1);
    const QByteArray name =
        QStringLiteral("nclx %1/%2").arg(colour.primaries).arg(colour.transfer).toLatin1();
    cmsMLUsetASCII(description, "en", "US", name.constData());
    cmsWriteTag(profile, cmsSigProfileDescriptionTag, description);
    cmsMLUfree(description);
    cmsUInt32Number size = 0;
    QByteArray bytes;
    if (cmsSaveProfileToMem(profile, nullptr, &size) && size > 0) {
        bytes.resize(qsizetype(size));
        if (!cmsSaveProfileToMem(profile, bytes.data(), &size))
            bytes.clear();
    }
    cmsCloseProfile(profile);
    return bytes;
}

} // namespace NclxProfile
