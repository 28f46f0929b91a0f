#include "ScenePainter.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// A small deterministic generator (xorshift), so that pictures do not depend on the
// standard library's distributions.
class Random
{
public:
    explicit Random(std::uint32_t seed) : m_state(seed * 2654435761u + 1u) {}

    std::uint32_t next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return m_state;
    }
    // Uniform in [0, 1).
    double unit() { return (next() >> 8) / double(1 << 24); }
    double between(double lo, double hi) { return lo + (hi - lo) * unit(); }

private:
    std::uint32_t m_state;
};

struct Palette
{
    QColor skyTop, skyHorizon, sun, haze, ridgeNear, water, grass, grassDark;
};

Palette paletteFor(int variant)
{
    switch (variant % 3) {
    case 1: // clear noon
        return {QColor(38, 104, 178), QColor(176, 212, 235), QColor(255, 252, 235), QColor(190, 212, 226),
                QColor(52, 78, 70),   QColor(46, 96, 128),   QColor(92, 138, 56),   QColor(44, 78, 30)};
    case 2: // evening
        return {QColor(44, 36, 92), QColor(236, 128, 84), QColor(255, 214, 150), QColor(196, 120, 128),
                QColor(48, 34, 56), QColor(84, 60, 96),   QColor(78, 90, 44),    QColor(30, 36, 20)};
    default: // dawn
        return {QColor(62, 92, 156), QColor(246, 196, 150), QColor(255, 240, 200), QColor(214, 178, 170),
                QColor(46, 58, 70),  QColor(70, 96, 130),   QColor(86, 120, 58),   QColor(38, 62, 30)};
    }
}

QColor mix(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// A mountain ridge by midpoint displacement: heights at `count` + 1 points across the width.
std::vector<double> ridge(Random& random, int count, double base, double roughness)
{
    std::vector<double> h(size_t(count) + 1, base);
    h.front() = base + random.between(-roughness, roughness);
    h.back() = base + random.between(-roughness, roughness);
    double spread = roughness;
    for (int step = count; step > 1; step /= 2) {
        for (int i = step / 2; i < count; i += step)
            h[size_t(i)] =
                (h[size_t(i - step / 2)] + h[size_t(i + step / 2)]) / 2 + random.between(-spread, spread);
        spread *= 0.55;
    }
    return h;
}

QPainterPath ridgePath(const std::vector<double>& heights, double width, double bottom)
{
    QPainterPath path;
    const int count = int(heights.size()) - 1;
    path.moveTo(0, bottom);
    for (int i = 0; i <= count; ++i)
        path.lineTo(width * i / count, heights[size_t(i)]);
    path.lineTo(width, bottom);
    path.closeSubpath();
    return path;
}

void paintPine(QPainter& p, double x, double groundY, double height, const QColor& colour)
{
    const double w = height * 0.36;
    QPainterPath tree;
    tree.setFillRule(Qt::WindingFill);
    const int tiers = 5;
    for (int t = 0; t < tiers; ++t) {
        const double top = groundY - height + height * t / (tiers + 1.0);
        const double bottom = top + height * 0.42;
        const double half = w * (0.35 + 0.65 * (t + 1) / tiers) / 2;
        tree.moveTo(x, top);
        tree.lineTo(x + half, bottom);
        tree.lineTo(x - half, bottom);
        tree.closeSubpath();
    }
    tree.addRect(QRectF(x - w * 0.05, groundY - height * 0.12, w * 0.1, height * 0.12));
    p.fillPath(tree, colour);
}

void addGrain(QImage& image, Random& random, int amount)
{
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(random.next() % unsigned(2 * amount + 1)) - amount;
            line[x] = qRgb(qBound(0, qRed(line[x]) + n, 255), qBound(0, qGreen(line[x]) + n, 255),
                           qBound(0, qBlue(line[x]) + n, 255));
        }
    }
}

} // namespace

QImage PaintScene(const QSize& size, int variant)
{
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    const double W = size.width();
    const double H = size.height();
    const double horizon = H * 0.58;
    Random random(std::uint32_t(variant) + 17u);
    const Palette colours = paletteFor(variant);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // Sky and sun.
    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0, colours.skyTop);
    sky.setColorAt(1, colours.skyHorizon);
    p.fillRect(QRectF(0, 0, W, horizon + 2), sky);
    const QPointF sun(W * random.between(0.25, 0.75), horizon * random.between(0.45, 0.75));
    QRadialGradient glow(sun, H * 0.35);
    QColor glowColour = colours.sun;
    glowColour.setAlpha(150);
    glow.setColorAt(0, glowColour);
    glowColour.setAlpha(0);
    glow.setColorAt(1, glowColour);
    p.fillRect(QRectF(0, 0, W, horizon + 2), glow);
    p.setPen(Qt::NoPen);
    p.setBrush(colours.sun);
    p.drawEllipse(sun, H * 0.035, H * 0.035);

    // Thin clouds.
    for (int i = 0; i < 7; ++i) {
        QColor cloud(255, 255, 255, int(random.between(25, 60)));
        const QRectF r(W * random.between(-0.1, 0.9), horizon * random.between(0.08, 0.6),
                       W * random.between(0.15, 0.4), H * random.between(0.012, 0.03));
        p.setBrush(cloud);
        p.drawEllipse(r);
    }

    // Mountain ridges, far (pale) to near (dark), and their reflections in the lake.
    const int layers = 4;
    QImage reflection(size, QImage::Format_ARGB32_Premultiplied);
    reflection.fill(Qt::transparent);
    QPainter mirror(&reflection);
    mirror.setRenderHint(QPainter::Antialiasing);
    for (int layer = 0; layer < layers; ++layer) {
        const double t = (layer + 1.0) / layers;
        const double base = horizon - H * (0.20 - 0.045 * layer);
        const std::vector<double> heights = ridge(random, 128, base, H * (0.09 - 0.015 * layer));
        const QPainterPath path = ridgePath(heights, W, horizon + 1);
        const QColor colour = mix(colours.haze, colours.ridgeNear, t);
        p.fillPath(path, colour);
        QTransform flip(1, 0, 0, -1, 0, 2 * horizon);
        mirror.fillPath(flip.map(path), mix(colour, colours.water, 0.35));
    }
    mirror.end();

    // Lake with the mirrored ridges, darker towards the viewer.
    QLinearGradient lake(0, horizon, 0, H);
    lake.setColorAt(0, mix(colours.skyHorizon, colours.water, 0.5));
    lake.setColorAt(1, colours.water.darker(140));
    p.fillRect(QRectF(0, horizon, W, H - horizon), lake);
    p.setOpacity(0.55);
    const QRectF below(0, horizon, W, H - horizon);
    p.drawImage(below, reflection, below);
    p.setOpacity(1);
    // Ripples.
    for (int i = 0; i < 90; ++i) {
        const double y = horizon + (H - horizon) * std::pow(random.unit(), 1.6) * 0.55;
        const double x = W * random.unit();
        const double len = W * random.between(0.02, 0.09) * (1 + (y - horizon) / H);
        p.setPen(QPen(QColor(255, 255, 255, int(random.between(18, 45))), 1));
        p.drawLine(QPointF(x, y), QPointF(x + len, y));
    }
    p.setPen(Qt::NoPen);

    // Shore with pines, then the grassy foreground.
    const double shore = horizon + (H - horizon) * 0.55;
    const std::vector<double> bank = ridge(random, 64, shore, H * 0.03);
    QLinearGradient grass(0, shore - H * 0.03, 0, H);
    grass.setColorAt(0, colours.grass);
    grass.setColorAt(1, colours.grassDark);
    p.fillPath(ridgePath(bank, W, H + 1), grass);
    const int pines = 14 + variant % 5;
    for (int i = 0; i < pines; ++i) {
        const double x = W * random.unit();
        const int index = qBound(0, int(x / W * 64), 64);
        const double ground = bank[size_t(index)] + H * 0.01;
        paintPine(p, x, ground, H * random.between(0.10, 0.24),
                  colours.grassDark.darker(130 + int(random.unit() * 60)));
    }
    for (int i = 0; i < int(W * 1.2); ++i) {
        const double x = W * random.unit();
        const double y = shore + (H - shore) * (0.2 + 0.8 * random.unit());
        const double len = H * random.between(0.01, 0.035);
        p.setPen(QPen(
            mix(colours.grass, colours.grassDark, random.unit()).lighter(100 + int(random.unit() * 30)), 1));
        p.drawLine(QPointF(x, y), QPointF(x + random.between(-len, len) * 0.3, y - len));
    }
    p.end();

    addGrain(image, random, 4);
    return image;
}
