#include "services/imaging/JpegFileSource.h"

#include <algorithm>
#include <cstring>

// jerror.h needs jpeglib.h first
#include <jerror.h>

namespace JpegFileSource {

namespace {

// As jpeg_stdio_src: the entropy decoder takes its fast way (which passes over some damage
// without a warning) only with enough bytes in the buffer, so the same size finds the same damage.
constexpr size_t kBufferSize = 4096;

struct Source
{
    jpeg_source_mgr pub; // first, so that the decompressor's pointer is this object's
    std::FILE* file;
    JOCTET* buffer;
    bool startOfFile;
    bool ended;        // no more bytes are read: the file ended, or a run of zeros stopped the reading
    bool fileEnded;    // the file gave no more bytes
    long long zeroRun; // zero bytes at the end of what was read so far
};

Source* sourceOf(j_decompress_ptr cinfo)
{
    return reinterpret_cast<Source*>(cinfo->src);
}

// Reads up to `count` bytes to `to`; 0 at the end of the file or of the bytes allowed.
size_t readMore(Source* source, JOCTET* to, size_t count)
{
    if (source->ended)
        return 0;
    const size_t got = std::fread(to, 1, count, source->file);
    if (got == 0) {
        source->ended = true;
        source->fileEnded = true;
        return 0;
    }
    const JOCTET* last = to + got;
    const JOCTET* nonZero = last;
    while (nonZero != to && nonZero[-1] == 0)
        --nonZero;
    source->zeroRun = nonZero == to ? source->zeroRun + (long long)(got) : (long long)(last - nonZero);
    // The bytes read are handed out; reading stops after them.
    if (source->zeroRun >= kMaxZeroRun)
        source->ended = true;
    return got;
}

void initSource(j_decompress_ptr cinfo)
{
    sourceOf(cinfo)->startOfFile = true;
}

boolean fillInputBuffer(j_decompress_ptr cinfo)
{
    Source* source = sourceOf(cinfo);
    size_t got = readMore(source, source->buffer, kBufferSize);
    if (got == 0) {
        if (source->startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        source->buffer[0] = JOCTET(0xFF);
        source->buffer[1] = JOCTET(JPEG_EOI);
        got = 2;
    }
    source->pub.next_input_byte = source->buffer;
    source->pub.bytes_in_buffer = got;
    source->startOfFile = false;
    return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    jpeg_source_mgr* source = cinfo->src;
    while (size_t(count) > source->bytes_in_buffer) {
        count -= long(source->bytes_in_buffer);
        (void)(*source->fill_input_buffer)(cinfo);
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= size_t(count);
}

void termSource(j_decompress_ptr) {}

// Makes at least `count` bytes wait in the buffer, fewer only at the end of the file. The bytes
// not yet read move to the start of the buffer; libjpeg holds no copy of the pointer between
// its steps.
void peek(Source* source, size_t count)
{
    jpeg_source_mgr& pub = source->pub;
    if (pub.bytes_in_buffer >= count)
        return;
    if (pub.bytes_in_buffer > 0)
        std::memmove(source->buffer, pub.next_input_byte, pub.bytes_in_buffer);
    pub.next_input_byte = source->buffer;
    while (pub.bytes_in_buffer < count) {
        const size_t got =
            readMore(source, source->buffer + pub.bytes_in_buffer, count - pub.bytes_in_buffer);
        if (got == 0)
            return;
        pub.bytes_in_buffer += got;
    }
}

} // namespace

void install(j_decompress_ptr cinfo, std::FILE* file)
{
    auto* source = static_cast<Source*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(Source)));
    source->buffer = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kBufferSize));
    source->file = file;
    source->startOfFile = true;
    source->ended = false;
    source->fileEnded = false;
    source->zeroRun = 0;
    source->pub.init_source = initSource;
    source->pub.fill_input_buffer = fillInputBuffer;
    source->pub.skip_input_data = skipInputData;
    source->pub.resync_to_restart = jpeg_resync_to_restart;
    source->pub.term_source = termSource;
    source->pub.bytes_in_buffer = 0;
    source->pub.next_input_byte = nullptr;
    cinfo->src = &source->pub;
}

bool scanDataEndsWell(j_decompress_ptr cinfo)
{
    // Still inside the scan, at a marker the entropy decoder has met, or past the end marker.
    if (cinfo->input_iMCU_row < cinfo->total_iMCU_rows || cinfo->unread_marker != 0 ||
        jpeg_input_complete(cinfo))
        return true;
    Source* source = sourceOf(cinfo);
    peek(source, kMaxStrayBytes + 1);
    const size_t waiting = source->pub.bytes_in_buffer;
    const JOCTET* next = source->pub.next_input_byte;
    const JOCTET* end = next + std::min<size_t>(waiting, kMaxStrayBytes + 1);
    if (waiting > 0 && std::find(next, end, JOCTET(0xFF)) != end)
        return true;
    // A few stray bytes and then the end of the file: the file lacks only its end marker.
    return waiting <= size_t(kMaxStrayBytes) && source->fileEnded;
}

} // namespace JpegFileSource
