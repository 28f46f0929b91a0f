#pragma once

#include <QImage>
#include <QSize>

// Pixel memory for photo-sized pictures. A fresh buffer of tens of megabytes costs thousands
// of page faults when it is first written, which can take longer than decoding the photo;
// large buffers are therefore MemoryReuse blocks: aligned to, and backed by, huge pages where
// the system allows it, and kept by a batch's workers for their next photos.
namespace ImageBuffer {

// A picture of the given size and format with uninitialised pixels; a null image when the
// size is empty or memory runs out. Small pictures are ordinary QImages.
QImage allocate(const QSize& size, QImage::Format format);

} // namespace ImageBuffer
