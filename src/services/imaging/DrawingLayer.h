#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

// A transparent canvas of a photo's size on which a watermark is drawn on its own, to find
// which pixels it covers. Its memory is kept by the thread (workers of the global thread
// pool keep it for their next photo; it goes with the thread) and stays zero between uses:
// afterwards only the drawn area is cleared, so a photo pays neither for clearing a whole
// canvas nor for fresh pages.
class DrawingLayer
{
public:
    // A canvas of `size` pixels, all transparent (premultiplied ARGB); null when the size is
    // empty or memory runs out. Only one layer per thread may live at a time.
    explicit DrawingLayer(const QSize& size);
    ~DrawingLayer();
    DrawingLayer(const DrawingLayer&) = delete;
    DrawingLayer& operator=(const DrawingLayer&) = delete;

    // Valid while the layer lives; draw on it with a painter that is ended before drawnArea().
    QImage& canvas() { return m_canvas; }

    // The smallest rectangle holding every pixel that is not fully transparent; empty when
    // nothing was drawn.
    QRect drawnArea();

private:
    QImage m_canvas;
    QRect m_drawn;
    bool m_measured = false;
};
