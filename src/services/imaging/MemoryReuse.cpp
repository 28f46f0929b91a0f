#include "services/imaging/MemoryReuse.h"

// Any C library header tells which C library this is.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace MemoryReuse {

void keepFreedMemory()
{
#if defined(__GLIBC__)
    // 32 MiB is the largest threshold the allocator accepts; larger buffers (full-size
    // canvases) are mapped on their own, backed by huge pages (see ImageBuffer).
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024 * 1024);
#endif
}

} // namespace MemoryReuse
