#include "services/imaging/DrawingLayer.h"

#include "services/imaging/ZeroedBuffer.h"

#include <QThread>
#include <QThreadPool>

#include <cstdint>
#include <cstring>
#include <limits>

namespace {

// The zeroed memory of this thread's layer.
struct LayerMemory
{
    ZeroedBuffer buffer;
    bool inUse = false;
};

thread_local LayerMemory t_memory;

bool isPoolWorker()
{
    return QThreadPool::globalInstance()->contains(QThread::currentThread());
}

// True when the row holds a pixel other than 0.
bool rowIsClear(const uchar* row, qsizetype bytes)
{
    const uchar* end = row + bytes;
    std::uint64_t any = 0;
    for (; row + 8 <= end; row += 8) {
        std::uint64_t word;
        std::memcpy(&word, row, 8);
        any |= word;
    }
    for (; row < end; ++row)
        any |= *row;
    return any == 0;
}

} // namespace

DrawingLayer::DrawingLayer(const QSize& size)
{
    if (size.isEmpty() || t_memory.inUse)
        return;
    const qint64 bytesPerLine = qint64(size.width()) * 4;
    const qint64 bytes = bytesPerLine * size.height();
    if (bytesPerLine > std::numeric_limits<int>::max() || bytes / size.height() != bytesPerLine)
        return;
    if (t_memory.buffer.size() < size_t(bytes)) {
        t_memory.buffer = ZeroedBuffer();
        t_memory.buffer = ZeroedBuffer(size_t(bytes));
        if (t_memory.buffer.null())
            return;
    }
    t_memory.inUse = true;
    m_canvas = QImage(t_memory.buffer.data(), size.width(), size.height(), qsizetype(bytesPerLine),
                      QImage::Format_ARGB32_Premultiplied);
}

DrawingLayer::~DrawingLayer()
{
    if (m_canvas.isNull())
        return;
    // Back to all zero for the next layer of this thread.
    const QRect drawn = drawnArea();
    const qsizetype bytesPerLine = m_canvas.bytesPerLine();
    uchar* bits = t_memory.buffer.data();
    for (int y = drawn.top(); y <= drawn.bottom(); ++y)
        std::memset(bits + y * bytesPerLine + qsizetype(drawn.left()) * 4, 0, size_t(drawn.width()) * 4);
    m_canvas = QImage();
    t_memory.inUse = false;
    if (!isPoolWorker())
        t_memory.buffer = ZeroedBuffer();
}

QRect DrawingLayer::drawnArea()
{
    if (m_measured || m_canvas.isNull())
        return m_drawn;
    m_measured = true;
    const QImage& canvas = std::as_const(m_canvas);
    const int width = canvas.width();
    const qsizetype rowBytes = qsizetype(width) * 4;
    int top = 0;
    while (top < canvas.height() && rowIsClear(canvas.constScanLine(top), rowBytes))
        ++top;
    if (top == canvas.height())
        return m_drawn;
    int bottom = canvas.height() - 1;
    while (bottom > top && rowIsClear(canvas.constScanLine(bottom), rowBytes))
        --bottom;
    int left = width;
    int right = -1;
    for (int y = top; y <= bottom; ++y) {
        const auto* row = reinterpret_cast<const quint32*>(canvas.constScanLine(y));
        int x = 0;
        while (x < left && row[x] == 0)
            ++x;
        left = std::min(left, x);
        int r = width - 1;
        while (r > right && row[r] == 0)
            --r;
        right = std::max(right, r);
    }
    if (right >= left)
        m_drawn = QRect(left, top, right - left + 1, bottom - top + 1);
    return m_drawn;
}
