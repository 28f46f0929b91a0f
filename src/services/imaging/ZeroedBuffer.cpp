#include "services/imaging/ZeroedBuffer.h"

#include <cstdint>
#include <cstdlib>
#include <utility>

#include <sys/mman.h>

namespace {

constexpr size_t kLargeBytes = 4 * 1024 * 1024;
constexpr size_t kHugePage = 2 * 1024 * 1024;

} // namespace

ZeroedBuffer::ZeroedBuffer(size_t bytes)
{
    if (bytes == 0)
        return;
    if (bytes < kLargeBytes) {
        m_data = static_cast<unsigned char*>(std::calloc(bytes, 1));
        m_size = m_data ? bytes : 0;
        return;
    }
    const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    if (rounded < bytes || rounded + kHugePage < rounded)
        return;
    // One huge page more than needed, so that the buffer can start on a huge-page boundary.
    const size_t mappingSize = rounded + kHugePage;
    void* mapping = mmap(nullptr, mappingSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED)
        return;
    const auto start = (reinterpret_cast<std::uintptr_t>(mapping) + kHugePage - 1) / kHugePage * kHugePage;
    m_data = reinterpret_cast<unsigned char*>(start);
    // Advice only: without transparent huge pages the buffer is ordinary memory.
    madvise(m_data, rounded, MADV_HUGEPAGE);
    m_size = bytes;
    m_mapping = mapping;
    m_mappingSize = mappingSize;
}

ZeroedBuffer::~ZeroedBuffer()
{
    release();
}

ZeroedBuffer::ZeroedBuffer(ZeroedBuffer&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_mapping(std::exchange(other.m_mapping, nullptr)), m_mappingSize(std::exchange(other.m_mappingSize, 0))
{
}

ZeroedBuffer& ZeroedBuffer::operator=(ZeroedBuffer&& other) noexcept
{
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_mapping = std::exchange(other.m_mapping, nullptr);
        m_mappingSize = std::exchange(other.m_mappingSize, 0);
    }
    return *this;
}

void ZeroedBuffer::release()
{
    if (m_mapping)
        munmap(m_mapping, m_mappingSize);
    else
        std::free(m_data);
    m_data = nullptr;
    m_size = 0;
    m_mapping = nullptr;
    m_mappingSize = 0;
}
