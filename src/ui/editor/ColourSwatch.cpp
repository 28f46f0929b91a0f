#include "ui/editor/ColourSwatch.h"

#include <QMouseEvent>
#include <QPainter>

#include "ui/editor/ColourRef.h"

ColourSwatch::ColourSwatch(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFixedSize(sizeHint());
}

void ColourSwatch::setColour(std::uint32_t colour)
{
    m_colour = colour;
    update();
}

void ColourSwatch::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(QColor(110, 110, 110));
    p.setBrush(isEnabled() ? ColourRef::toQColor(m_colour) : QColor(220, 220, 220));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(QColor(255, 255, 255));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(1, 1, -2, -2));
}

void ColourSwatch::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}
