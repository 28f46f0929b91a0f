#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>

#include "services/imaging/ZeroedBuffer.h"

// The whole-image coefficient arrays of a JPEG decompressor (progressive and multi-scan files
// keep every DCT block of the picture until the last scan), in zeroed huge-page memory.
//
// libjpeg allocates these from the heap and zeroes them block row by block row; for a photo
// that is tens of megabytes written twice and a page fault every 4 KiB, more time than the
// decoding itself, whatever the output size. Fresh pages from the system are zero already.
// The arrays are handed out through the decompressor's memory manager methods, which libjpeg
// calls for every array it requests, realises and accesses; everything else stays libjpeg's.
class JpegBlockArrays
{
public:
    JpegBlockArrays() = default;
    JpegBlockArrays(const JpegBlockArrays&) = delete;
    JpegBlockArrays& operator=(const JpegBlockArrays&) = delete;

    // Serves the block arrays of `cinfo`, a decompressor just created: its client_data then
    // points here, and this object must outlive its decompression.
    void install(jpeg_decompress_struct* cinfo);

    // Frees the arrays; call once the decompressor is destroyed.
    void release();

private:
    struct Array
    {
        JDIMENSION blocksPerRow = 0;
        JDIMENSION rows = 0;
        ZeroedBuffer memory;
        std::vector<JBLOCKROW> rowPointers; // empty until realised
    };

    static JpegBlockArrays* of(j_common_ptr cinfo);
    static jvirt_barray_ptr request(j_common_ptr cinfo, int poolId, boolean preZero, JDIMENSION blocksPerRow,
                                    JDIMENSION rows, JDIMENSION maxAccess);
    static void realize(j_common_ptr cinfo);
    static JBLOCKARRAY access(j_common_ptr cinfo, jvirt_barray_ptr array, JDIMENSION startRow,
                              JDIMENSION rowCount, boolean writable);

    void (*m_realizeOthers)(j_common_ptr) = nullptr;
    std::vector<std::unique_ptr<Array>> m_arrays;
};
