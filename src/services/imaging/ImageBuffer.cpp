#include "services/imaging/ImageBuffer.h"

#include "services/imaging/MemoryReuse.h"

#include <limits>
#include <memory>

namespace {

constexpr qsizetype kLargeBytes = 8 * 1024 * 1024;

void releaseBlock(void* block)
{
    delete static_cast<MemoryReuse::Block*>(block);
}

} // namespace

namespace ImageBuffer {

QImage allocate(const QSize& size, QImage::Format format)
{
    if (size.isEmpty() || format == QImage::Format_Invalid)
        return QImage();
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qint64 bytesPerLine = (qint64(size.width()) * depth + 31) / 32 * 4;
    const qint64 bytes = bytesPerLine * size.height();
    if (bytesPerLine > std::numeric_limits<int>::max() || bytes / size.height() != bytesPerLine)
        return QImage();
    if (bytes < kLargeBytes || depth < 8)
        return QImage(size, format);

    auto block = std::make_unique<MemoryReuse::Block>(size_t(bytes));
    if (block->null())
        return QImage();
    uchar* bits = block->data();
    QImage image(bits, size.width(), size.height(), qsizetype(bytesPerLine), format, releaseBlock,
                 block.get());
    if (!image.isNull())
        block.release(); // the image frees it
    return image;
}

} // namespace ImageBuffer
