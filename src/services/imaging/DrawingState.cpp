#include "services/imaging/DrawingState.h"

#include <QPainter>

namespace DrawingState {

Scope::Scope(QPainter& painter) : m_painter(painter)
{
    m_painter.save();
}

Scope::~Scope()
{
    m_painter.restore();
}

void setHighQuality(QPainter& painter)
{
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
}

void rotateAbout(QPainter& painter, const QPointF& anchor, qreal degrees)
{
    painter.translate(anchor);
    painter.rotate(degrees);
    painter.translate(-anchor);
}

} // namespace DrawingState
