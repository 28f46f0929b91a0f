#include "render/CanvasCulling.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QList>

namespace CanvasCulling {

namespace {

// Narrows [lo, hi] (real numbers) to the k for which the interval [a, b] + k * v meets
// [0, extent]. False when no k can.
bool narrowAxis(qreal a, qreal b, qreal v, qreal extent, qreal& lo, qreal& hi)
{
    // Meeting means a + k v <= extent and b + k v >= 0.
    if (v == 0)
        return a <= extent && b >= 0;
    const qreal k1 = (extent - a) / v;
    const qreal k2 = -b / v;
    if (v > 0) {
        hi = std::min(hi, k1);
        lo = std::max(lo, k2);
    } else {
        lo = std::max(lo, k1);
        hi = std::min(hi, k2);
    }
    return true;
}

QRectF grown(const QRectF& rect, qreal margin)
{
    return rect.adjusted(-margin, -margin, margin, margin);
}

} // namespace

bool touches(const QTransform& world, const QRectF& box, qreal margin, const QRectF& device)
{
    const QRectF mapped = grown(world.mapRect(box), margin);
    if (!std::isfinite(mapped.left()) || !std::isfinite(mapped.right()) || !std::isfinite(mapped.top()) ||
        !std::isfinite(mapped.bottom()))
        return false;
    return mapped.left() <= device.right() && mapped.right() >= device.left() &&
           mapped.top() <= device.bottom() && mapped.bottom() >= device.top();
}

bool narrowDeviceSteps(const QRectF& deviceBox, const QPointF& deviceStep, const QRectF& device,
                       qint64& first, qint64& last)
{
    if (first > last)
        return false;
    const QRectF box = deviceBox.translated(-device.topLeft());
    qreal lo = -std::numeric_limits<qreal>::infinity();
    qreal hi = std::numeric_limits<qreal>::infinity();
    if (!narrowAxis(box.left(), box.right(), deviceStep.x(), device.width(), lo, hi) ||
        !narrowAxis(box.top(), box.bottom(), deviceStep.y(), device.height(), lo, hi))
        return false;
    if (!(lo <= hi) || std::isnan(lo) || std::isnan(hi))
        return false;
    // One copy of slack on both sides against rounding.
    const qreal firstReal = std::max<qreal>(static_cast<qreal>(first), std::floor(lo) - 1);
    const qreal lastReal = std::min<qreal>(static_cast<qreal>(last), std::ceil(hi) + 1);
    if (firstReal > lastReal)
        return false;
    first = static_cast<qint64>(firstReal);
    last = static_cast<qint64>(lastReal);
    return true;
}

int subpathEnd(const QPainterPath& path, int begin, QRectF& box)
{
    const int count = path.elementCount();
    int end = begin + 1;
    qreal left = path.elementAt(begin).x;
    qreal right = left;
    qreal top = path.elementAt(begin).y;
    qreal bottom = top;
    for (; end < count && !path.elementAt(end).isMoveTo(); ++end) {
        const QPainterPath::Element& point = path.elementAt(end);
        left = std::min(left, point.x);
        right = std::max(right, point.x);
        top = std::min(top, point.y);
        bottom = std::max(bottom, point.y);
    }
    box = QRectF(QPointF(left, top), QPointF(right, bottom));
    return end;
}

QPainterPath visibleSubpaths(const QPainterPath& path, const QTransform& world, qreal margin,
                             const QRectF& device, const QPointF& from, const QPointF& to)
{
    const int count = path.elementCount();
    // Subpath i runs over elements [starts[i], starts[i + 1]).
    QList<int> starts;
    QList<bool> kept;
    bool dropped = false;
    int begin = 0;
    while (begin < count) {
        QRectF box;
        const int end = subpathEnd(path, begin, box);
        const bool visible = touches(world, box.translated(from) | box.translated(to), margin, device);
        starts.append(begin);
        kept.append(visible);
        dropped = dropped || !visible;
        begin = end;
    }
    if (!dropped)
        return path;

    QPainterPath visible;
    visible.setFillRule(path.fillRule());
    starts.append(count);
    for (qsizetype s = 0; s + 1 < starts.size(); ++s) {
        if (!kept.at(s))
            continue;
        copyElements(path, starts.at(s), starts.at(s + 1), visible);
    }
    return visible;
}

void copyElements(const QPainterPath& path, int begin, int end, QPainterPath& into)
{
    for (int i = begin; i < end; ++i) {
        const QPainterPath::Element& element = path.elementAt(i);
        switch (element.type) {
        case QPainterPath::MoveToElement:
            into.moveTo(element);
            break;
        case QPainterPath::LineToElement:
            into.lineTo(element);
            break;
        case QPainterPath::CurveToElement:
            // A cubic curve: this element and the next two (control point, end point).
            if (i + 2 < end) {
                into.cubicTo(element, path.elementAt(i + 1), path.elementAt(i + 2));
                i += 2;
            }
            break;
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
}

bool narrowSteps(const QTransform& world, const QRectF& box, const QPointF& step, qreal margin,
                 const QRectF& device, qint64& first, qint64& last)
{
    const QRectF mapped = grown(world.mapRect(box), margin);
    const QPointF deviceStep = world.map(step) - world.map(QPointF(0, 0));
    return narrowDeviceSteps(mapped, deviceStep, device, first, last);
}

} // namespace CanvasCulling
