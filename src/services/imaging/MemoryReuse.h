#pragma once

// Memory use of programs that decode one photo after another.
namespace MemoryReuse {

// Keeps memory freed after a photo for the next one instead of handing it back to the system:
// buffers of up to 32 MiB come from the heap, and the heap is not trimmed. Every page handed
// back costs a page fault when the next photo takes it again, and on some systems (virtual
// machines in particular) a page fault costs as much as decoding a few thousand pixels.
// Call once at start, before any thread is started. Does nothing where the C library offers
// no such settings.
void keepFreedMemory();

} // namespace MemoryReuse
