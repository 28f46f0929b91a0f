#include "services/imaging/ProfileColourConversion.h"

#include <cstdlib>

#include <lcms2.h>

namespace {

// QImage's 32-bit formats hold 0xAARRGGBB as a native integer: the bytes B, G, R, A on
// little-endian machines.
const cmsUInt32Number kPixelType = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TYPE_BGRA_8 : TYPE_ARGB_8;

// Colours probed to tell a profile that changes nothing (sRGB under another name).
constexpr int kProbeLevels[] = {0, 32, 64, 96, 128, 160, 192, 224, 255};

struct ProfileDeleter
{
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};

} // namespace

struct ProfileColourConversion::State
{
    cmsHTRANSFORM transform = nullptr;

    ~State()
    {
        if (transform)
            cmsDeleteTransform(transform);
    }
};

ProfileColourConversion::ProfileColourConversion(const QByteArray& iccProfile, Direction direction)
    : d(std::make_unique<State>())
{
    if (iccProfile.isEmpty())
        return;
    const cmsContext context = nullptr;
    const std::unique_ptr<void, ProfileDeleter> target(
        cmsOpenProfileFromMemTHR(context, iccProfile.constData(), cmsUInt32Number(iccProfile.size())));
    if (!target || cmsGetColorSpace(target.get()) != cmsSigRgbData)
        return;
    const std::unique_ptr<void, ProfileDeleter> srgb(cmsCreate_sRGBProfileTHR(context));
    if (!srgb)
        return;
    // Straight alpha travels unchanged; no cache, so that one transform serves any thread.
    const bool toSrgb = direction == Direction::ToSrgb;
    d->transform = cmsCreateTransformTHR(
        context, toSrgb ? target.get() : srgb.get(), kPixelType, toSrgb ? srgb.get() : target.get(),
        kPixelType, INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_COPY_ALPHA | cmsFLAGS_NOCACHE);
    if (!d->transform)
        return;

    bool changes = false;
    for (int r : kProbeLevels) {
        for (int g : kProbeLevels) {
            for (int b : kProbeLevels) {
                const QRgb in = qRgb(r, g, b);
                QRgb out = 0;
                cmsDoTransform(d->transform, &in, &out, 1);
                if (std::abs(qRed(out) - r) > 1 || std::abs(qGreen(out) - g) > 1 ||
                    std::abs(qBlue(out) - b) > 1)
                    changes = true;
            }
        }
    }
    if (!changes) {
        cmsDeleteTransform(d->transform);
        d->transform = nullptr;
    }
}

ProfileColourConversion::~ProfileColourConversion() = default;

bool ProfileColourConversion::isNeeded() const
{
    return d->transform != nullptr;
}

QRgb ProfileColourConversion::convert(QRgb colour) const
{
    if (!d->transform)
        return colour;
    QRgb out = colour;
    cmsDoTransform(d->transform, &colour, &out, 1);
    return out;
}

QImage ProfileColourConversion::convert(const QImage& picture) const
{
    if (!d->transform || picture.isNull())
        return picture;
    const bool alpha = picture.hasAlphaChannel();
    QImage out = picture.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (out.isNull())
        return picture;
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        cmsDoTransform(d->transform, row, row, cmsUInt32Number(out.width()));
    }
    return out;
}
