#pragma once

#include <QByteArray>
#include <QImage>
#include <QRgb>

#include <memory>

// Converts colours chosen in sRGB into a photo's colour profile (through LittleCMS), so that
// what is drawn into the photo's pixels shows in a colour-managed viewer as the colour chosen;
// or, the other way, a photo's pixels into sRGB for an output that cannot carry the profile.
//
// Nothing is converted (isNeeded() is false) for an empty profile, one LittleCMS cannot read,
// one that is not an RGB profile, and one that leaves every colour within one level of itself
// (sRGB itself, under whatever name): such photos are drawn exactly as before.
class ProfileColourConversion
{
public:
    enum class Direction
    {
        FromSrgb, // colours chosen in sRGB into the profile's space
        ToSrgb    // the profile's colours into sRGB (a photo for an output without a profile)
    };

    explicit ProfileColourConversion(const QByteArray& iccProfile, Direction direction = Direction::FromSrgb);
    ~ProfileColourConversion();
    ProfileColourConversion(const ProfileColourConversion&) = delete;
    ProfileColourConversion& operator=(const ProfileColourConversion&) = delete;

    bool isNeeded() const;

    // The colour in the photo's profile; alpha is kept. Unchanged when nothing is needed.
    QRgb convert(QRgb colour) const;
    // Every pixel of the picture, alpha kept; the result is ARGB32 (RGB32 for opaque formats)
    // or the picture itself when nothing is needed.
    QImage convert(const QImage& picture) const;

private:
    struct State;
    std::unique_ptr<State> d;
};
