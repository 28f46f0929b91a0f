#pragma once

#include <QImage>

#include "ValueNoise.h"

// Paints a lakeside mountain landscape at sunset: a sky with soft clouds and a sun glow,
// four mountain ridges fading into the haze, a lake that mirrors them with ripples and sun
// glitter, a wooded bank in the foreground, and a fine grain.
class LandscapePainter
{
public:
    LandscapePainter(int width, int height, unsigned seed);

    QImage paint() const;

private:
    struct Rgb
    {
        double r = 0, g = 0, b = 0;
    };

    Rgb sky(int x, int y) const;
    Rgb clouds(int x, int y, const Rgb& behind) const;
    // Top of mountain layer `layer` at column x (pixels from the top).
    double ridge(int layer, double x) const;
    Rgb mountain(int layer, int x, int y, const Rgb& behind) const;
    void paintBank(QImage& image) const;
    void addGrainAndVignette(QImage& image) const;

    static Rgb mix(const Rgb& a, const Rgb& b, double t);

    int m_width;
    int m_height;
    int m_horizon;
    double m_sunX;
    double m_sunY;
    ValueNoise m_noise;
};
