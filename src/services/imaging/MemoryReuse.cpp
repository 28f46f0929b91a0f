#include "services/imaging/MemoryReuse.h"

#include <QThread>
#include <QThreadPool>

#include <cstdint>
// Any C library header tells which C library this is.
#include <cstdlib>
#include <mutex>
#include <utility>
#include <vector>

#include <sys/mman.h>

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

namespace {

constexpr size_t kHugePage = 2 * 1024 * 1024;

struct Mapping
{
    void* start = nullptr; // as mmap returned it
    size_t size = 0;       // of the whole mapping
    unsigned char* data = nullptr;
    size_t capacity = 0; // from data on
};

void unmap(const Mapping& mapping)
{
    if (mapping.start)
        munmap(mapping.start, mapping.size);
}

// A new mapping of at least `bytes` from a huge-page boundary on, with an eighth more room so
// that the next photo, a little larger, still fits. Pages never touched cost nothing.
Mapping mapNew(size_t bytes)
{
    const size_t wanted = bytes + bytes / 8;
    if (wanted < bytes)
        return {};
    const size_t rounded = (wanted + kHugePage - 1) / kHugePage * kHugePage;
    if (rounded < wanted || rounded + kHugePage < rounded)
        return {};
    const size_t size = rounded + kHugePage;
    void* start = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED)
        return {};
    const auto aligned = (reinterpret_cast<std::uintptr_t>(start) + kHugePage - 1) / kHugePage * kHugePage;
    auto* data = reinterpret_cast<unsigned char*>(aligned);
    // Advice only: without transparent huge pages the block is ordinary memory.
    madvise(data, rounded, MADV_HUGEPAGE);
    return {start, size, data, rounded};
}

} // namespace

struct Block::Store
{
    std::mutex mutex;
    bool keeps = false; // the owning thread is a pool worker that is still running
    std::vector<Mapping> kept;

    ~Store()
    {
        for (const Mapping& mapping : kept)
            unmap(mapping);
    }
};

namespace {

// The calling thread's store; when the thread ends, the store stops keeping and frees what it
// kept (blocks still in use are freed when they go).
struct ThreadStore
{
    std::shared_ptr<Block::Store> store = std::make_shared<Block::Store>();
    bool checked = false;

    ~ThreadStore()
    {
        std::vector<Mapping> kept;
        {
            std::lock_guard lock(store->mutex);
            store->keeps = false;
            kept.swap(store->kept);
        }
        for (const Mapping& mapping : kept)
            unmap(mapping);
    }
};

thread_local ThreadStore t_store;

Block::Store& threadStore()
{
    if (!t_store.checked) {
        t_store.checked = true;
        const bool worker = QThreadPool::globalInstance()->contains(QThread::currentThread());
        std::lock_guard lock(t_store.store->mutex);
        t_store.store->keeps = worker;
    }
    return *t_store.store;
}

} // namespace

Block::Block(size_t bytes)
{
    if (bytes == 0)
        return;
    Store& store = threadStore();
    Mapping mapping;
    {
        // The smallest kept mapping that is large enough.
        std::lock_guard lock(store.mutex);
        size_t best = store.kept.size();
        for (size_t i = 0; i < store.kept.size(); ++i) {
            if (store.kept[i].capacity >= bytes &&
                (best == store.kept.size() || store.kept[i].capacity < store.kept[best].capacity))
                best = i;
        }
        if (best < store.kept.size()) {
            mapping = store.kept[best];
            store.kept.erase(store.kept.begin() + std::ptrdiff_t(best));
        }
    }
    m_fresh = mapping.start == nullptr;
    if (m_fresh)
        mapping = mapNew(bytes);
    if (!mapping.start)
        return;
    m_store = t_store.store;
    m_mapping = mapping.start;
    m_mappingSize = mapping.size;
    m_data = mapping.data;
    m_capacity = mapping.capacity;
    m_size = bytes;
}

Block::~Block()
{
    release();
}

Block::Block(Block&& other) noexcept
    : m_store(std::move(other.m_store)), m_mapping(std::exchange(other.m_mapping, nullptr)),
      m_capacity(std::exchange(other.m_capacity, 0)), m_mappingSize(std::exchange(other.m_mappingSize, 0)),
      m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_fresh(std::exchange(other.m_fresh, false))
{
}

Block& Block::operator=(Block&& other) noexcept
{
    if (this != &other) {
        release();
        m_store = std::move(other.m_store);
        m_mapping = std::exchange(other.m_mapping, nullptr);
        m_capacity = std::exchange(other.m_capacity, 0);
        m_mappingSize = std::exchange(other.m_mappingSize, 0);
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_fresh = std::exchange(other.m_fresh, false);
    }
    return *this;
}

void Block::release()
{
    if (!m_mapping)
        return;
    Mapping mapping{m_mapping, m_mappingSize, m_data, m_capacity};
    Mapping evicted;
    bool kept = false;
    if (m_store) {
        std::lock_guard lock(m_store->mutex);
        if (m_store->keeps) {
            m_store->kept.push_back(mapping);
            kept = true;
            if (m_store->kept.size() > size_t(kKeptBlocks)) {
                // The smallest one goes.
                size_t smallest = 0;
                for (size_t i = 1; i < m_store->kept.size(); ++i) {
                    if (m_store->kept[i].capacity < m_store->kept[smallest].capacity)
                        smallest = i;
                }
                evicted = m_store->kept[smallest];
                m_store->kept.erase(m_store->kept.begin() + std::ptrdiff_t(smallest));
            }
        }
    }
    if (!kept)
        unmap(mapping);
    unmap(evicted);
    m_store.reset();
    m_mapping = nullptr;
    m_data = nullptr;
    m_size = 0;
    m_capacity = 0;
    m_mappingSize = 0;
    m_fresh = false;
}

size_t Block::keptBytes()
{
    Store& store = threadStore();
    std::lock_guard lock(store.mutex);
    size_t bytes = 0;
    for (const Mapping& mapping : store.kept)
        bytes += mapping.capacity;
    return bytes;
}

int Block::keptBlocks()
{
    Store& store = threadStore();
    std::lock_guard lock(store.mutex);
    return int(store.kept.size());
}

} // namespace MemoryReuse
