#include "services/imaging/JpegBlockArrays.h"

#include <cstring>
#include <limits>

// jerror.h needs jpeglib.h first
#include <jerror.h>

namespace {

// Below this size an array comes zeroed from the heap.
constexpr size_t kLargeArrayBytes = 4 * 1024 * 1024;

} // namespace

void JpegBlockArrays::Array::clearOnFirstAccess(JDIMENSION first, JDIMENSION count)
{
    if (cleared.empty())
        return;
    const size_t rowBytes = size_t(blocksPerRow) * sizeof(JBLOCK);
    for (JDIMENSION row = first; row < first + count && row < rows; ++row) {
        if (!cleared[row]) {
            std::memset(rowPointers[row], 0, rowBytes);
            cleared[row] = 1;
        }
    }
}

void JpegBlockArrays::install(jpeg_decompress_struct* cinfo)
{
    cinfo->client_data = this;
    m_realizeOthers = cinfo->mem->realize_virt_arrays;
    cinfo->mem->request_virt_barray = &JpegBlockArrays::request;
    cinfo->mem->realize_virt_arrays = &JpegBlockArrays::realize;
    cinfo->mem->access_virt_barray = &JpegBlockArrays::access;
}

void JpegBlockArrays::release()
{
    m_arrays.clear();
}

JpegBlockArrays* JpegBlockArrays::of(j_common_ptr cinfo)
{
    return static_cast<JpegBlockArrays*>(cinfo->client_data);
}

jvirt_barray_ptr JpegBlockArrays::request(j_common_ptr cinfo, int poolId, boolean, JDIMENSION blocksPerRow,
                                          JDIMENSION rows, JDIMENSION)
{
    // As libjpeg's own manager: arrays live as long as the image.
    if (poolId != JPOOL_IMAGE)
        ERREXIT1(cinfo, JERR_BAD_POOL_ID, poolId);
    JpegBlockArrays* self = of(cinfo);
    auto array = std::make_unique<Array>();
    array->blocksPerRow = blocksPerRow;
    array->rows = rows;
    self->m_arrays.push_back(std::move(array));
    // The decompressor only passes the handle back to access(): it never looks inside.
    return reinterpret_cast<jvirt_barray_ptr>(self->m_arrays.back().get());
}

void JpegBlockArrays::realize(j_common_ptr cinfo)
{
    JpegBlockArrays* self = of(cinfo);
    if (self->m_realizeOthers)
        self->m_realizeOthers(cinfo);
    for (const std::unique_ptr<Array>& array : self->m_arrays) {
        if (!array->rowPointers.empty() || array->rows == 0)
            continue;
        const size_t rowBytes = size_t(array->blocksPerRow) * sizeof(JBLOCK);
        if (array->blocksPerRow != 0 && rowBytes / array->blocksPerRow != sizeof(JBLOCK))
            ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
        if (rowBytes != 0 && array->rows > std::numeric_limits<size_t>::max() / rowBytes)
            ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
        const size_t bytes = rowBytes * array->rows;
        unsigned char* memory = nullptr;
        if (bytes < kLargeArrayBytes) {
            array->smallMemory = ZeroedBuffer(bytes);
            memory = array->smallMemory.data();
        } else {
            array->memory = MemoryReuse::Block(bytes);
            memory = array->memory.data();
            if (!array->memory.fresh())
                array->cleared.assign(array->rows, 0);
        }
        if (!memory && rowBytes != 0)
            ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
        array->rowPointers.resize(array->rows);
        for (JDIMENSION row = 0; row < array->rows; ++row)
            array->rowPointers[row] = reinterpret_cast<JBLOCKROW>(memory + size_t(row) * rowBytes);
    }
}

JBLOCKARRAY JpegBlockArrays::access(j_common_ptr cinfo, jvirt_barray_ptr handle, JDIMENSION startRow,
                                    JDIMENSION rowCount, boolean)
{
    auto* array = reinterpret_cast<Array*>(handle);
    if (array->rowPointers.empty() || startRow > array->rows || rowCount > array->rows - startRow)
        ERREXIT(cinfo, JERR_BAD_VIRTUAL_ACCESS);
    array->clearOnFirstAccess(startRow, rowCount);
    return array->rowPointers.data() + startRow;
}

void JpegBlockArrays::lendTo(jpeg_compress_struct* cinfo)
{
    cinfo->mem->access_virt_barray = &JpegBlockArrays::access;
}

JBLOCKROW JpegBlockArrays::row(jvirt_barray_ptr handle, JDIMENSION row)
{
    auto* array = reinterpret_cast<Array*>(handle);
    if (!array || row >= array->rowPointers.size())
        return nullptr;
    array->clearOnFirstAccess(row, 1);
    return array->rowPointers[row];
}

JDIMENSION JpegBlockArrays::blocksPerRow(jvirt_barray_ptr handle)
{
    const auto* array = reinterpret_cast<const Array*>(handle);
    return array ? array->blocksPerRow : 0;
}
