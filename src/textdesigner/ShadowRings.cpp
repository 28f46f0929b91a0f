#include "textdesigner/ShadowRings.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <vector>

namespace TextDesigner {

namespace ShadowRings {

namespace {

// Rows of distances kept at a time: the buffer stays small however large the text is.
constexpr int kBandRows = 64;

// The scale of a transform that turns, mirrors, moves and scales evenly; 0 for any other.
qreal uniformScale(const QTransform& t)
{
    if (!t.isAffine())
        return 0;
    const qreal sx = std::hypot(t.m11(), t.m12());
    const qreal sy = std::hypot(t.m21(), t.m22());
    const qreal dot = t.m11() * t.m21() + t.m12() * t.m22();
    if (!std::isfinite(sx) || !std::isfinite(sy) || !(sx > 0) || !(sy > 0))
        return 0;
    if (std::abs(sx - sy) > 1e-9 * sx || std::abs(dot) > 1e-9 * sx * sy)
        return 0;
    return sx;
}

// The image the painter draws on, when ring pixels can be written into it directly.
QImage* directImage(const QPainter& painter)
{
    QPaintDevice* device = painter.device();
    if (!device || device->devType() != QInternal::Image)
        return nullptr;
    auto* image = static_cast<QImage*>(device);
    const QImage::Format format = image->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied)
        return nullptr;
    // A shared image would be copied by writing to it, away from the painter's pixels.
    if (!image->isDetached() || image->devicePixelRatio() != 1)
        return nullptr;
    if (painter.hasClipping() || painter.opacity() != 1 ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver ||
        !painter.testRenderHint(QPainter::Antialiasing))
        return nullptr;
    return image;
}

// How a pixel (a unit square) lies across a straight line: spread along the line's normal, its
// area forms a trapezoid reaching `outer` to both sides of its centre, flat within `inner`.
struct Footprint
{
    double outer = 0.5;
    double inner = 0.5;

    // The larger share of the normal along a pixel axis: a distance across the line is this
    // much of the distance along that axis.
    double steep = 1;

    static Footprint across(double nx, double ny)
    {
        const double x = std::abs(nx);
        const double y = std::abs(ny);
        return {(x + y) / 2, std::abs(x - y) / 2, std::max(x, y)};
    }

    // Share of the area lying below t (t measured from the centre along the normal).
    double below(double t) const
    {
        if (t <= -outer)
            return 0;
        if (t >= outer)
            return 1;
        if (t > 0)
            return 1 - below(-t);
        const double height = 1 / (outer + inner);
        if (t <= -inner)
            return height * (t + outer) * (t + outer) / (2 * (outer - inner));
        return height * ((outer - inner) / 2 + (t + inner));
    }

    // Share of the pixel covered by a band of half-width `half` about a line at distance d
    // from its centre: exact for straight lines.
    double coverage(double d, double half) const { return below(half - d) - below(-half - d); }

    // What a one-pixel line leaves: the painter draws pens of at most one device pixel as
    // hairlines, which share each step along the line between the two nearest pixels.
    double hairline(double d) const { return std::clamp(1 - d / steep, 0.0, 1.0); }
};

// The alpha that the rings leave at a pixel, drawn one over the other.
class RingAlpha
{
public:
    RingAlpha(int rings, double scale, double colourAlpha)
        : m_rings(rings), m_scale(scale), m_alpha(colourAlpha),
          m_hairlines(std::min(rings, int(std::floor(1 / scale + 1e-9))))
    {
        m_clear.resize(size_t(rings) + 1);
        m_clear[0] = 1;
        for (int k = 1; k <= rings; ++k)
            m_clear[size_t(k)] = m_clear[size_t(k) - 1] * (1 - colourAlpha);
    }

    // Beyond this distance from the outline no ring reaches a pixel.
    double reach() const { return std::max(m_rings * m_scale / 2, 0.5) + 1; }

    double at(double d, const Footprint& pixel) const
    {
        // Wider rings cover at least as much as narrower ones: count the wide rings that
        // cover the pixel whole, then multiply in the few that cover part of it.
        int w = m_rings;
        int whole = 0;
        while (w > m_hairlines && pixel.coverage(d, w * m_scale / 2) >= 1) {
            ++whole;
            --w;
        }
        double clear = m_clear[size_t(whole)];
        for (; w > m_hairlines; --w) {
            const double c = pixel.coverage(d, w * m_scale / 2);
            if (c <= 0)
                return 1 - clear;
            clear *= 1 - m_alpha * c;
        }
        if (m_hairlines > 0)
            clear *= std::pow(1 - m_alpha * pixel.hairline(d), m_hairlines);
        return 1 - clear;
    }

private:
    int m_rings;
    double m_scale;
    double m_alpha;
    int m_hairlines;             // rings of at most one device pixel
    std::vector<double> m_clear; // (1 - alpha)^k
};

struct Segment
{
    QPointF a;
    QPointF b;
};

// A pixel's nearest point on the outline so far: squared distance and the direction from
// that point to the pixel's centre (across the segment where the centre lies on it).
struct Nearest
{
    float distance2;
    float dx;
    float dy;
};

// Lowers the distances of the band's pixels (box-relative rows [top, top + rows)) to the
// segment's.
void measure(const Segment& s, double reach, int width, int top, int rows, std::vector<Nearest>& nearest)
{
    const double minY = std::min(s.a.y(), s.b.y()) - reach;
    const double maxY = std::max(s.a.y(), s.b.y()) + reach;
    const int y0 = std::max(top, int(std::floor(std::max(minY - 0.5, double(top)))));
    const int y1 = std::min(top + rows - 1, int(std::ceil(std::min(maxY - 0.5, double(top + rows)))));
    if (y0 > y1)
        return;
    const double minX = std::min(s.a.x(), s.b.x()) - reach;
    const double maxX = std::max(s.a.x(), s.b.x()) + reach;
    const int x0 = std::max(0, int(std::floor(std::max(minX - 0.5, 0.0))));
    const int x1 = std::min(width - 1, int(std::ceil(std::min(maxX - 0.5, double(width)))));
    if (x0 > x1)
        return;

    const double dx = s.b.x() - s.a.x();
    const double dy = s.b.y() - s.a.y();
    const double length2 = dx * dx + dy * dy;
    for (int y = y0; y <= y1; ++y) {
        Nearest* row = nearest.data() + size_t(y - top) * size_t(width);
        const double py = y + 0.5 - s.a.y();
        for (int x = x0; x <= x1; ++x) {
            const double px = x + 0.5 - s.a.x();
            const double u = length2 > 0 ? std::clamp((px * dx + py * dy) / length2, 0.0, 1.0) : 0.0;
            const double ex = px - u * dx;
            const double ey = py - u * dy;
            const float d2 = float(ex * ex + ey * ey);
            if (d2 < row[x].distance2) {
                if (d2 > 1e-12f)
                    row[x] = {d2, float(ex), float(ey)};
                else
                    row[x] = {d2, float(-dy), float(dx)};
            }
        }
    }
}

// Blends the colour with alpha a (its own alpha included) over a premultiplied pixel.
QRgb blended(QRgb pixel, const QColor& colour, double a)
{
    const double keep = 1 - a;
    const auto channel = [&](int source, int target) { return int(source * a + target * keep + 0.5); };
    return qRgba(channel(colour.red(), qRed(pixel)), channel(colour.green(), qGreen(pixel)),
                 channel(colour.blue(), qBlue(pixel)), channel(255, qAlpha(pixel)));
}

} // namespace

bool draw(QPainter& painter, const QPainterPath& path, const QColor& colour, int rings)
{
    QImage* image = directImage(painter);
    const QTransform transform = painter.deviceTransform();
    const qreal scale = uniformScale(transform);
    if (!image || !(scale > 0))
        return false;

    const QList<QPolygonF> outlines = path.toSubpathPolygons(transform);
    for (const QPolygonF& outline : outlines) {
        if (outline.size() > 1 && outline.constFirst() != outline.constLast())
            return false;
        for (const QPointF& point : outline) {
            if (!std::isfinite(point.x()) || !std::isfinite(point.y()))
                return false;
        }
    }
    if (rings <= 0 || colour.alpha() == 0 || outlines.isEmpty())
        return true;

    const RingAlpha alpha(rings, scale, colour.alphaF());
    const double reach = alpha.reach();
    QRectF bounds;
    for (const QPolygonF& outline : outlines)
        bounds |= outline.boundingRect();
    bounds.adjust(-reach, -reach, reach, reach);
    const QRectF clipped = bounds & QRectF(image->rect());
    if (clipped.isEmpty())
        return true;
    const QRect box = clipped.toAlignedRect() & image->rect();

    std::vector<Segment> segments;
    for (const QPolygonF& outline : outlines) {
        for (qsizetype i = 0; i + 1 < outline.size(); ++i)
            segments.push_back(
                {outline[i] - QPointF(box.topLeft()), outline[i + 1] - QPointF(box.topLeft())});
    }

    const int width = box.width();
    const float far = float(reach * reach);
    std::vector<Nearest> nearest(size_t(width) * size_t(std::min(kBandRows, box.height())));
    for (int top = 0; top < box.height(); top += kBandRows) {
        const int rows = std::min(kBandRows, box.height() - top);
        std::fill(nearest.begin(), nearest.begin() + ptrdiff_t(rows) * width, Nearest{far, 1, 0});
        for (const Segment& segment : segments)
            measure(segment, reach, width, top, rows, nearest);
        for (int y = 0; y < rows; ++y) {
            const Nearest* row = nearest.data() + size_t(y) * size_t(width);
            auto* pixels = reinterpret_cast<QRgb*>(image->scanLine(box.top() + top + y)) + box.left();
            for (int x = 0; x < width; ++x) {
                const Nearest& n = row[x];
                if (n.distance2 >= far)
                    continue;
                const double length = std::hypot(double(n.dx), double(n.dy));
                const Footprint pixel =
                    length > 0 ? Footprint::across(n.dx / length, n.dy / length) : Footprint();
                const double a = alpha.at(std::sqrt(double(n.distance2)), pixel);
                if (a > 0)
                    pixels[x] = blended(pixels[x], colour, a);
            }
        }
    }
    return true;
}

} // namespace ShadowRings

} // namespace TextDesigner
