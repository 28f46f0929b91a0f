#include "services/imaging/ImageBuffer.h"

#include <cstdlib>
#include <limits>

#include <sys/mman.h>

namespace {

constexpr qsizetype kLargeBytes = 8 * 1024 * 1024;
constexpr size_t kHugePage = 2 * 1024 * 1024;

void releaseBuffer(void* memory)
{
    std::free(memory);
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

    const size_t rounded = (size_t(bytes) + kHugePage - 1) / kHugePage * kHugePage;
    void* memory = nullptr;
    if (posix_memalign(&memory, kHugePage, rounded) != 0 || !memory)
        return QImage();
    // Advice only: without transparent huge pages the buffer is ordinary memory.
    madvise(memory, rounded, MADV_HUGEPAGE);
    QImage image(static_cast<uchar*>(memory), size.width(), size.height(), qsizetype(bytesPerLine), format,
                 releaseBuffer, memory);
    if (image.isNull())
        std::free(memory);
    return image;
}

} // namespace ImageBuffer
