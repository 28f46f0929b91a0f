#pragma once

#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>

#include "services/imaging/MemoryReuse.h"
#include "services/imaging/ZeroedBuffer.h"

// The whole-image coefficient arrays of a JPEG decompressor (progressive and multi-scan files
// keep every DCT block of the picture until the last scan, and jpeg_read_coefficients keeps
// them for every file), in huge-page memory that the thread keeps for its next photo.
//
// libjpeg allocates these from the heap and zeroes them block row by block row; for a photo
// that is tens of megabytes written twice and a page fault every 4 KiB, more time than the
// decoding itself, whatever the output size. Here large arrays come from MemoryReuse::Block:
// fresh pages from the system are zero already, and memory used before is cleared a row at
// a time when the row is first accessed, right before libjpeg fills it, while it is in the
// cache anyway. The arrays are handed out through the decompressor's memory manager methods,
// which libjpeg calls for every array it requests, realises and accesses; everything else
// stays libjpeg's.
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

    // Lets a compressor read arrays served here (jpeg_write_coefficients with the handles that
    // jpeg_read_coefficients returned). Only the access method is replaced: the compressor
    // keeps its own memory manager for everything else.
    static void lendTo(jpeg_compress_struct* cinfo);

    // A row of blocks of an array served here, or nullptr when the row is outside the array or
    // the array is not realised yet. Works without a libjpeg call, so outside any error
    // handler.
    static JBLOCKROW row(jvirt_barray_ptr array, JDIMENSION row);
    // The number of blocks in each row of an array served here.
    static JDIMENSION blocksPerRow(jvirt_barray_ptr array);

private:
    struct Array
    {
        JDIMENSION blocksPerRow = 0;
        JDIMENSION rows = 0;
        ZeroedBuffer smallMemory;           // arrays of a few megabytes, zeroed
        MemoryReuse::Block memory;          // larger ones
        std::vector<JBLOCKROW> rowPointers; // empty until realised
        // Rows of reused memory that are zero already; empty when all are.
        std::vector<unsigned char> cleared;

        // Makes rows [first, first + count) zero unless they have been accessed before.
        void clearOnFirstAccess(JDIMENSION first, JDIMENSION count);
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
