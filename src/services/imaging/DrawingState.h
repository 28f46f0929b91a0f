#pragma once

#include <QPointF>

class QPainter;

// Drawing state helpers. QPainter's translate() and rotate() prepend to the current
// transform: the new step applies to coordinates first, then the transform already in place.
namespace DrawingState {

// Saves the painter's state and restores it when it goes out of scope.
class Scope
{
public:
    explicit Scope(QPainter& painter);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

private:
    QPainter& m_painter;
};

// Anti-aliased shapes and text, and smooth picture transforms.
void setHighQuality(QPainter& painter);

// Prepends translate (anchor), rotate (degrees, clockwise on screen), translate (-anchor):
// later drawing turns about the anchor.
void rotateAbout(QPainter& painter, const QPointF& anchor, qreal degrees);

} // namespace DrawingState
