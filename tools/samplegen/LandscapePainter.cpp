#include "LandscapePainter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kLayers = 4;

double clamp01(double v)
{
    return std::clamp(v, 0.0, 1.0);
}

double smoothstep(double edge0, double edge1, double x)
{
    const double t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

struct LayerStyle
{
    double base;      // lowest ridge line
    double amplitude; // how far peaks rise above it
    double scale;     // horizontal feature size
    double haze;      // how much the layer fades into the sky
    double r, g, b;   // rock or forest colour
};

const LayerStyle kLayerStyles[kLayers] = {
    {318, 150, 240, 0.42, 96, 106, 136},
    {352, 110, 165, 0.30, 70, 86, 106},
    {382, 70, 110, 0.20, 52, 78, 84},
    {398, 34, 46, 0.06, 30, 52, 40},
};

} // namespace

LandscapePainter::LandscapePainter(int width, int height, unsigned seed)
    : m_width(width), m_height(height), m_horizon(height * 64 / 100), m_sunX(width * 0.7),
      m_sunY(height * 0.25), m_noise(seed)
{
}

LandscapePainter::Rgb LandscapePainter::mix(const Rgb& a, const Rgb& b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

LandscapePainter::Rgb LandscapePainter::sky(int x, int y) const
{
    const double t = double(y) / m_horizon;
    const Rgb top{34, 70, 132};
    const Rgb middle{112, 156, 206};
    const Rgb horizon{250, 212, 166};
    Rgb colour =
        t < 0.55 ? mix(top, middle, smoothstep(0, 0.55, t)) : mix(middle, horizon, smoothstep(0.55, 1, t));

    const double d = std::hypot(x - m_sunX, (y - m_sunY) * 1.15);
    const double glow = 0.75 * std::exp(-d / 110) + 0.35 * std::exp(-d / 30);
    colour = mix(colour, Rgb{255, 232, 186}, clamp01(glow));
    const double disc = 1 - smoothstep(12, 16, d);
    return mix(colour, Rgb{255, 251, 238}, disc);
}

LandscapePainter::Rgb LandscapePainter::clouds(int x, int y, const Rgb& behind) const
{
    const double density = m_noise.fractal(x / 190.0, y / 52.0, 6);
    const double band = smoothstep(10, 70, y) * (1 - smoothstep(200, 300, y));
    const double amount = clamp01((density - 0.47) * 3.0) * band;
    if (amount <= 0)
        return behind;
    // Lit tops and grey-blue bellies: compare with the density a little lower down.
    const double below = m_noise.fractal(x / 190.0, (y + 7) / 52.0, 6);
    const double light = clamp01(0.55 + (density - below) * 9);
    const double d = std::hypot(x - m_sunX, y - m_sunY);
    const double warm = std::exp(-d / 260);
    const Rgb lit = mix(Rgb{248, 246, 242}, Rgb{255, 214, 160}, warm);
    const Rgb shade = mix(Rgb{150, 160, 184}, Rgb{196, 150, 140}, warm);
    return mix(behind, mix(shade, lit, light), amount * 0.92);
}

double LandscapePainter::ridge(int layer, double x) const
{
    const LayerStyle& style = kLayerStyles[layer];
    const double n = m_noise.fractal(x / style.scale, layer * 13.7, 6, 0.52);
    // Ridged noise sharpens the peaks of the far ranges.
    const double ridged = 1 - std::abs(2 * m_noise.fractal(x / (style.scale * 1.7), layer * 7.1 + 3, 5) - 1);
    const double shape = layer < 2 ? 0.45 * n + 0.55 * ridged * ridged : n;
    double top = style.base - style.amplitude * shape;
    if (layer == kLayers - 1) // forest: tree tops make a fine jagged edge
        top -= 7 * m_noise.fractal(x / 3.5, 91, 3);
    return top;
}

LandscapePainter::Rgb LandscapePainter::mountain(int layer, int x, int y, const Rgb& behind) const
{
    const LayerStyle& style = kLayerStyles[layer];
    const double top = ridge(layer, x);
    if (y < top)
        return behind;
    // Relief from a height field: faces that rise towards the sun (on the right) are lit.
    const double fx = style.scale * 0.45;
    const double fy = style.scale * 0.3;
    // The noise's lattice is turned against the picture's axes so that it leaves no grid.
    const auto height = [&](double px, double py) {
        const double u = (px * 0.866 - py * 0.5) / fx;
        const double v = (px * 0.5 + py * 0.866) / fy;
        return m_noise.fractal(u, v + layer * 50, 4);
    };
    const double step = 5;
    const double gradient = (height(x + step, y) - height(x - step, y)) / (2 * step) * fx;
    const double below = y - top;
    const double rim = std::exp(-below / 6) * 0.25;
    const double light = std::clamp(0.88 + gradient * 0.9 + rim, 0.45, 1.45);
    const double texture = 0.92 + 0.16 * m_noise.fractal(x / 11.0 + y / 23.0, y / 6.0 + layer * 40, 3);
    Rgb colour{style.r * light * texture, style.g * light * texture, style.b * light * texture};

    // Snow just below the highest peaks of the far ranges.
    if (layer < 2) {
        const double altitude = (style.base - top) / style.amplitude;
        const double cap = smoothstep(0.5, 0.8, altitude) *
                           (1 - smoothstep(10, 30 + 25 * m_noise.fractal(x / 12.0, y / 9.0, 3), below));
        const double snowLight = std::clamp(light, 0.6, 1.15);
        colour = mix(colour, Rgb{240 * snowLight, 238 * snowLight, 242 * snowLight}, cap * 0.9);
    }
    // Haze: the layer fades into the sky, and mist gathers at its foot.
    const Rgb hazeColour = sky(x, std::min(m_horizon - 1, int(top)));
    colour = mix(colour, hazeColour, style.haze);
    const double mist = smoothstep(style.base - style.amplitude * 0.3, style.base + 10, y) * 0.45;
    return mix(colour, Rgb{222, 206, 196}, mist * (layer < 3 ? 1 : 0.3));
}

void LandscapePainter::paintBank(QImage& image) const
{
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double w = m_width;
    const double h = m_height;

    QPainterPath bank;
    bank.moveTo(0, h * 0.80);
    bank.cubicTo(w * 0.12, h * 0.80, w * 0.26, h * 0.87, w * 0.44, h);
    bank.lineTo(0, h);
    bank.closeSubpath();
    QLinearGradient grass(0, h * 0.8, w * 0.2, h);
    grass.setColorAt(0, QColor(58, 78, 44));
    grass.setColorAt(1, QColor(24, 34, 20));
    painter.fillPath(bank, grass);
    // Blades of grass in lighter and darker greens.
    painter.setClipPath(bank);
    for (int i = 0; i < 1400; ++i) {
        const double gx = m_noise.hash(i, 11) * w * 0.45;
        const double gy = h * 0.79 + m_noise.hash(i, 12) * h * 0.22;
        const double length = 3 + 6 * m_noise.hash(i, 13);
        const int tone = int(40 * m_noise.hash(i, 14));
        painter.setPen(QPen(QColor(40 + tone, 62 + tone, 30 + tone / 2, 150), 1));
        painter.drawLine(QPointF(gx, gy), QPointF(gx + 2 * (m_noise.hash(i, 15) - 0.5), gy - length));
    }
    painter.setClipping(false);

    // Conifers on the bank, the nearer ones taller and darker.
    for (int i = 0; i < 9; ++i) {
        const double baseX = w * (0.015 + 0.035 * i) + 10 * m_noise.hash(i, 5);
        const double baseY = h * 0.81 + i * 6 + 8 * m_noise.hash(i, 6);
        const double height = h * (0.42 - 0.03 * i) * (0.85 + 0.3 * m_noise.hash(i, 7));
        const double halfWidth = height * 0.19;
        const int shade = 18 + 3 * i;
        QPainterPath tree;
        const int tiers = 9;
        for (int t = 0; t < tiers; ++t) {
            const double f = double(t) / tiers;
            const double tierTop = baseY - height + height * f * 0.92;
            const double tierBottom = tierTop + height * 0.22;
            const double spread = halfWidth * (0.25 + 0.75 * f) * (0.9 + 0.2 * m_noise.hash(i, t));
            tree.moveTo(baseX, tierTop);
            tree.lineTo(baseX + spread, tierBottom);
            tree.lineTo(baseX - spread, tierBottom);
            tree.closeSubpath();
        }
        tree.setFillRule(Qt::WindingFill);
        painter.fillPath(tree, QColor(shade, shade + 18, shade + 8));
        painter.fillRect(QRectF(baseX - 1.5, baseY - 4, 3, 8), QColor(34, 30, 24));
    }
}

void LandscapePainter::addGrainAndVignette(QImage& image) const
{
    for (int y = 0; y < m_height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < m_width; ++x) {
            const double dx = (x - m_width / 2.0) / m_width;
            const double dy = (y - m_height / 2.0) / m_height;
            const double vignette = 1 - 0.35 * (dx * dx + dy * dy) * 2;
            // Sum of three uniforms: a soft, roughly normal grain.
            const double grain =
                (m_noise.hash(x, y + 100000) + m_noise.hash(x + 7919, y) + m_noise.hash(y, x + 31337) - 1.5) *
                9;
            const QRgb p = line[x];
            const auto channel = [&](int v) {
                return std::clamp(int(std::lround(v * vignette + grain)), 0, 255);
            };
            line[x] = qRgb(channel(qRed(p)), channel(qGreen(p)), channel(qBlue(p)));
        }
    }
}

QImage LandscapePainter::paint() const
{
    // The scene above the water line, kept for the lake's reflection.
    std::vector<Rgb> scene(size_t(m_width) * m_horizon);
    for (int y = 0; y < m_horizon; ++y) {
        for (int x = 0; x < m_width; ++x) {
            Rgb colour = clouds(x, y, sky(x, y));
            for (int layer = 0; layer < kLayers; ++layer)
                colour = mountain(layer, x, y, colour);
            scene[size_t(y) * m_width + x] = colour;
        }
    }

    QImage image(m_width, m_height, QImage::Format_RGB32);
    const auto put = [&](int x, int y, const Rgb& c) {
        image.setPixel(
            x, y,
            qRgb(std::clamp(int(c.r), 0, 255), std::clamp(int(c.g), 0, 255), std::clamp(int(c.b), 0, 255)));
    };
    for (int y = 0; y < m_horizon; ++y)
        for (int x = 0; x < m_width; ++x)
            put(x, y, scene[size_t(y) * m_width + x]);

    // The lake mirrors the scene, rippled more the nearer the water.
    const Rgb water{26, 52, 70};
    for (int y = m_horizon; y < m_height; ++y) {
        const double depth = double(y - m_horizon) / (m_height - m_horizon);
        for (int x = 0; x < m_width; ++x) {
            const double wave =
                std::sin(y * 0.9 + 6 * m_noise.fractal(x / 40.0, y / 3.0, 3)) * (0.5 + depth * 7);
            const int sx = std::clamp(int(x + wave), 0, m_width - 1);
            const int sy = std::clamp(2 * m_horizon - y - 1 + int(wave * 0.3), 0, m_horizon - 1);
            Rgb colour = mix(scene[size_t(sy) * m_width + sx], water, 0.25 + 0.3 * depth);
            // Streaks of light on the ripples, and the sun's glitter path.
            const double streak = m_noise.fractal(x / 70.0, y / 2.2, 4);
            colour = mix(colour, Rgb{210, 220, 226}, smoothstep(0.62, 0.8, streak) * 0.25);
            const double path = std::exp(-std::abs(x - m_sunX) / (12 + depth * 60));
            const double sparkle = smoothstep(0.55, 0.75, m_noise.fractal(x / 5.0, y / 1.6, 3));
            colour = mix(colour, Rgb{255, 236, 190}, clamp01(path * sparkle * 0.9));
            put(x, y, colour);
        }
    }
    // A thin bright line where the far shore meets the water.
    for (int x = 0; x < m_width; ++x) {
        const QRgb p = image.pixel(x, m_horizon);
        image.setPixel(
            x, m_horizon,
            qRgb(std::min(255, qRed(p) + 30), std::min(255, qGreen(p) + 28), std::min(255, qBlue(p) + 24)));
    }

    paintBank(image);
    addGrainAndVignette(image);
    return image;
}
