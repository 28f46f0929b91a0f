#pragma once

#include <cstddef>
#include <memory>

// Memory use of programs that decode one photo after another.
namespace MemoryReuse {

// Keeps memory freed after a photo for the next one instead of handing it back to the system:
// buffers of up to 32 MiB come from the heap, and the heap is not trimmed. Every page handed
// back costs a page fault when the next photo takes it again, and on some systems (virtual
// machines in particular) a page fault costs as much as decoding a few thousand pixels.
// Call once at start, before any thread is started. Does nothing where the C library offers
// no such settings.
void keepFreedMemory();

// A large block of working memory (a canvas, a decoded picture, coefficient arrays), aligned
// to a huge page and backed by huge pages where the system allows it.
//
// Blocks come from a store kept per thread and go back to it when they are destroyed (on any
// thread). The workers of the global thread pool, which stamp the photos of a batch, keep up
// to kKeptBlocks blocks for their next photos, so that a run maps and faults in its memory
// once instead of once per photo; a worker's store is freed when the worker ends (the pool
// ends workers that have been idle for a while). Other threads keep nothing.
class Block
{
public:
    static constexpr int kKeptBlocks = 8;

    Block() = default;
    // At least `bytes` bytes; null() when memory runs out.
    explicit Block(size_t bytes);
    ~Block();
    Block(Block&& other) noexcept;
    Block& operator=(Block&& other) noexcept;
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;

    bool null() const { return m_data == nullptr; }
    unsigned char* data() const { return m_data; }
    size_t size() const { return m_size; }
    // True when the memory is new from the system, and so all zero; otherwise it holds what
    // an earlier user left in it.
    bool fresh() const { return m_fresh; }

    // The bytes of memory, and the blocks, the calling thread's store keeps for later blocks.
    static size_t keptBytes();
    static int keptBlocks();

    struct Store;

private:
    void release();

    std::shared_ptr<Store> m_store;
    void* m_mapping = nullptr;
    size_t m_capacity = 0; // bytes of the mapping from m_data on
    size_t m_mappingSize = 0;
    unsigned char* m_data = nullptr;
    size_t m_size = 0;
    bool m_fresh = false;
};

} // namespace MemoryReuse
