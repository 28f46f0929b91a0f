#pragma once

#include <cstdio>

#include <jpeglib.h>

// libjpeg's data source for an open file. It reads as jpeg_stdio_src does (at the end of the
// file it warns JWRN_JPEG_EOF and supplies an end marker, so that a file missing only its end
// marker still decodes), with two bounds that keep damaged files cheap:
//
// - A run of kMaxZeroRun zero bytes counts as the end of the file. Real coded data never holds
//   one (a flat picture of the largest accepted size takes a few megabytes of it at most);
//   a file cut off and padded with zeros, even to gigabytes, is then read no further.
// - scanDataEndsWell() tells whether the coded data read so far, when a scan is complete,
//   is followed by a marker, as a JPEG file's is: bytes that are neither a marker nor the end
//   of the file (zeros after a cut, say) mean that the rows decoded from them were made up.
namespace JpegFileSource {

constexpr long long kMaxZeroRun = 16LL * 1024 * 1024;
// Stray bytes tolerated between a scan's data and the next marker, as a few writers leave them.
constexpr int kMaxStrayBytes = 32;

// Makes `file` the decompressor's source; the file stays open and owned by the caller.
void install(j_decompress_ptr cinfo, std::FILE* file);

// False when every coded unit of the scan being read has been read, the file is not complete,
// and what follows is neither a marker (within kMaxStrayBytes bytes) nor the end of the file.
// True in every other case, also in the middle of a scan. Call it only between libjpeg's
// steps (from the progress monitor, or after jpeg_read_scanlines).
bool scanDataEndsWell(j_decompress_ptr cinfo);

} // namespace JpegFileSource
