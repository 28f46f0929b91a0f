#pragma once

#include <QFrame>
#include <QImage>
#include <QPolygonF>
#include <QStringList>

// The template editor's framed preview: shows the last picture the compositor delivered
// (fitted into the area, which grows with the window), the box of the selected layer's part
// with a handle at its corner, and reports what the mouse and the arrow keys do on it in the
// picture's own pixels (the canvas), for the editor to move or size the layer.
class EditorPreviewArea : public QFrame
{
    Q_OBJECT

public:
    static constexpr int kWidth = 677;
    static constexpr int kHeight = 625;
    // Half the side of the square handle at the box's corner, in screen pixels.
    static constexpr int kHandleRadius = 5;

    explicit EditorPreviewArea(QWidget* parent = nullptr);

    // `problems`: files of the template that could not be read; they are shown in a banner
    // over the picture (and as the tooltip), so a layer missing from the picture is explained.
    // `canvas`: the size placement refers to, of which the picture may be a smaller copy
    // (invalid: the picture's own size).
    void setPicture(const QImage& picture, const QStringList& problems = QStringList(),
                    const QSize& canvas = QSize());
    QSize canvasSize() const;
    const QImage& picture() const { return m_picture; }
    const QStringList& problems() const { return m_problems; }
    int paintCount() const { return m_paints; }

    // The selected part's box (its corners in canvas pixels; empty: no box) and its handle.
    void setSelection(const QPolygonF& corners);
    const QPolygonF& selection() const { return m_selection; }
    // Where the picture is shown: fitted into the area keeping its aspect, centred.
    QRectF pictureRect() const;
    // Where a canvas point (a pixel of the picture) is shown on the widget, and back.
    QPointF toWidget(const QPointF& canvas) const;
    QPointF toCanvas(const QPointF& widget) const;

signals:
    void painted();
    // A press of the left button at a canvas point; `onHandle` when it hit the box's handle.
    void pressed(const QPointF& canvas, bool onHandle);
    void dragged(const QPointF& canvas);
    void released();
    // An arrow key: the steps in canvas pixels (10 with Shift).
    void nudged(int dx, int dy);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRectF handleRect() const;
    // Screen pixels per picture pixel.
    qreal scale() const;

    QImage m_picture;
    QSize m_canvas;
    QStringList m_problems;
    QPolygonF m_selection;
    bool m_dragging = false;
    int m_paints = 0;
};
