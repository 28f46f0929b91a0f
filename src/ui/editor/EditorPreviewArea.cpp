#include "ui/editor/EditorPreviewArea.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

EditorPreviewArea::EditorPreviewArea(QWidget* parent) : QFrame(parent)
{
    resize(kWidth, kHeight);
    setMinimumSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A click gives the preview the focus, for the arrow keys.
    setFocusPolicy(Qt::ClickFocus);
}

void EditorPreviewArea::setPicture(const QImage& picture, const QStringList& problems, const QSize& canvas)
{
    m_picture = picture;
    m_canvas = canvas;
    if (problems != m_problems) {
        m_problems = problems;
        setToolTip(problems.join(QLatin1Char('\n')));
    }
    update();
}

void EditorPreviewArea::setSelection(const QPolygonF& corners)
{
    if (corners == m_selection)
        return;
    m_selection = corners;
    update();
}

QRectF EditorPreviewArea::pictureRect() const
{
    if (m_picture.isNull())
        return QRectF(rect());
    // The picture fitted into the area, keeping its aspect, centred; pixel for pixel when it
    // was drawn for the area's size (to a pixel).
    const QSizeF own = m_picture.deviceIndependentSize();
    QSizeF fitted = own.scaled(QSizeF(size()), Qt::KeepAspectRatio);
    if (qAbs(fitted.width() - own.width()) <= 1 && qAbs(fitted.height() - own.height()) <= 1)
        fitted = own;
    return QRectF(
        QPointF(std::floor((width() - fitted.width()) / 2), std::floor((height() - fitted.height()) / 2)),
        fitted);
}

QSize EditorPreviewArea::canvasSize() const
{
    return m_canvas.isValid() ? m_canvas : m_picture.size();
}

qreal EditorPreviewArea::scale() const
{
    const QSize canvas = canvasSize();
    return m_picture.isNull() || canvas.isEmpty() ? 1.0 : pictureRect().width() / canvas.width();
}

QPointF EditorPreviewArea::toWidget(const QPointF& canvas) const
{
    return pictureRect().topLeft() + canvas * scale();
}

QPointF EditorPreviewArea::toCanvas(const QPointF& widget) const
{
    return (widget - pictureRect().topLeft()) / scale();
}

QRectF EditorPreviewArea::handleRect() const
{
    if (m_selection.size() != 4)
        return QRectF();
    const QPointF corner = toWidget(m_selection[2]);
    return QRectF(corner - QPointF(kHandleRadius, kHandleRadius),
                  QSizeF(2 * kHandleRadius, 2 * kHandleRadius));
}

void EditorPreviewArea::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(64, 64, 64));
    if (!m_picture.isNull()) {
        const QRectF shown = pictureRect();
        if (shown.size() == m_picture.deviceIndependentSize()) {
            p.drawImage(shown.topLeft(), m_picture);
        } else {
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            p.drawImage(shown, m_picture);
            p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        }
    }
    if (m_selection.size() == 4) {
        // The selected part's box, dashed in two tones so that it shows on any photo, and
        // its handle.
        QPolygonF shown;
        for (const QPointF& corner : m_selection)
            shown << toWidget(corner);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, 1));
        p.drawPolygon(shown);
        p.setPen(QPen(QColor(30, 110, 230), 1, Qt::DashLine));
        p.drawPolygon(shown);
        p.setPen(QPen(QColor(30, 110, 230), 1));
        p.setBrush(Qt::white);
        p.drawRect(handleRect());
        p.setBrush(Qt::NoBrush);
        p.setRenderHint(QPainter::Antialiasing, false);
    }
    if (!m_problems.isEmpty()) {
        // A banner along the top edge: what could not be drawn, and why.
        const int margin = 8;
        const QRect textArea = rect().adjusted(margin, margin, -margin, -margin);
        const QString text = m_problems.join(QLatin1Char('\n'));
        QRect needed = p.fontMetrics().boundingRect(textArea, Qt::TextWordWrap, text);
        needed.setLeft(0);
        needed.setRight(width() - 1);
        needed.adjust(0, -margin, 0, margin);
        p.fillRect(needed, QColor(150, 20, 20, 220));
        p.setPen(Qt::white);
        p.drawText(textArea, Qt::TextWordWrap | Qt::AlignTop | Qt::AlignLeft, text);
    }
    // A thin frame drawn over the picture's edge.
    p.setPen(QColor(90, 90, 90));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    ++m_paints;
    emit painted();
}

void EditorPreviewArea::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QFrame::mousePressEvent(event);
    m_dragging = true;
    const bool onHandle = handleRect().adjusted(-2, -2, 2, 2).contains(event->position());
    emit pressed(toCanvas(event->position()), onHandle);
}

void EditorPreviewArea::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton))
        emit dragged(toCanvas(event->position()));
}

void EditorPreviewArea::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return QFrame::mouseReleaseEvent(event);
    m_dragging = false;
    emit dragged(toCanvas(event->position()));
    emit released();
}

void EditorPreviewArea::keyPressEvent(QKeyEvent* event)
{
    const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    switch (event->key()) {
    case Qt::Key_Left:
        emit nudged(-step, 0);
        break;
    case Qt::Key_Right:
        emit nudged(step, 0);
        break;
    case Qt::Key_Up:
        emit nudged(0, -step);
        break;
    case Qt::Key_Down:
        emit nudged(0, step);
        break;
    default:
        QFrame::keyPressEvent(event);
    }
}
