#pragma once

#include <cstddef>

// A zero-filled working buffer. Large buffers are fresh pages from the system, which come
// zeroed, so nothing is written twice; they are aligned to, and backed by, huge pages where
// the system allows it, so that first writing them costs a few page faults instead of one per
// 4 KiB. Small buffers come from the heap.
class ZeroedBuffer
{
public:
    ZeroedBuffer() = default;
    // `bytes` zero bytes; null() when memory runs out.
    explicit ZeroedBuffer(size_t bytes);
    ~ZeroedBuffer();

    ZeroedBuffer(ZeroedBuffer&& other) noexcept;
    ZeroedBuffer& operator=(ZeroedBuffer&& other) noexcept;
    ZeroedBuffer(const ZeroedBuffer&) = delete;
    ZeroedBuffer& operator=(const ZeroedBuffer&) = delete;

    bool null() const { return m_data == nullptr; }
    unsigned char* data() const { return m_data; }
    size_t size() const { return m_size; }

private:
    void release();

    unsigned char* m_data = nullptr;
    size_t m_size = 0;
    void* m_mapping = nullptr; // the whole mapping of a large buffer
    size_t m_mappingSize = 0;
};
