#include "services/imaging/JpegBlockMerger.h"

#include "services/imaging/JpegCoefficients.h"
#include "services/imaging/JpegErrorJump.h"

#include <QPainter>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <jpeglib.h>
// jerror.h needs jpeglib.h first
#include <jerror.h>

namespace {

// The byte order of QImage's 32-bit formats, as the photo decoder asks libjpeg for it.
constexpr J_COLOR_SPACE kDecodeSpace = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;
constexpr J_COLOR_SPACE kEncodeSpace = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;

// The rows of blocks of one component that a compressor reads: a window into the photo's
// coefficient array, starting at the window's first block column.
struct BlockWindow
{
    std::vector<JBLOCKROW> rows;
};

JBLOCKARRAY windowAccess(j_common_ptr cinfo, jvirt_barray_ptr handle, JDIMENSION start, JDIMENSION count,
                         boolean)
{
    auto* window = reinterpret_cast<BlockWindow*>(handle);
    if (start > window->rows.size() || count > window->rows.size() - start)
        ERREXIT(cinfo, JERR_BAD_VIRTUAL_ACCESS);
    return window->rows.data() + start;
}

// JPEG data in memory, as jpeg_mem_dest leaves it.
struct MemoryJpeg
{
    unsigned char* data = nullptr;
    unsigned long size = 0;

    MemoryJpeg() = default;
    MemoryJpeg(const MemoryJpeg&) = delete;
    MemoryJpeg& operator=(const MemoryJpeg&) = delete;
    ~MemoryJpeg() { std::free(data); }
};

// A compressor or decompressor with its error manager, destroyed with it.
// A libjpeg compressor or decompressor with its error jump, destroyed with it.
template <typename Info> struct JpegCodec
{
    JpegErrorJump errors{};
    Info cinfo{};

    JpegCodec()
    {
        errors.install();
        cinfo.err = &errors.pub;
    }
    ~JpegCodec() { jpeg_destroy(reinterpret_cast<j_common_ptr>(&cinfo)); }
    JpegCodec(const JpegCodec&) = delete;
    JpegCodec& operator=(const JpegCodec&) = delete;
};

using Compressor = JpegCodec<jpeg_compress_struct>;
using Decompressor = JpegCodec<jpeg_decompress_struct>;

// Each guarded call below sets the jump target and then only calls libjpeg and copies plain
// memory, so an error jumps over no C++ object that would need destroying.

// Writes the windows' blocks as a baseline JPEG of `size` pixels with the photo's parameters.
bool writeWindow(Compressor& c, const JpegCoefficients& coefficients, const QSize& size,
                 jvirt_barray_ptr* handles, MemoryJpeg& out)
{
    if (setjmp(c.errors.jump))
        return false;
    jpeg_create_compress(&c.cinfo);
    coefficients.copyParametersTo(&c.cinfo);
    c.cinfo.mem->access_virt_barray = windowAccess;
    c.cinfo.image_width = JDIMENSION(size.width());
    c.cinfo.image_height = JDIMENSION(size.height());
    c.cinfo.restart_interval = 0;
    c.cinfo.restart_in_rows = 0;
    c.cinfo.optimize_coding = FALSE;
    c.cinfo.write_JFIF_header = FALSE;
    jpeg_mem_dest(&c.cinfo, &out.data, &out.size);
    jpeg_write_coefficients(&c.cinfo, handles);
    jpeg_finish_compress(&c.cinfo);
    return true;
}

// Decodes JPEG data in memory into `pixels` (of the data's exact size) as the photo decoder
// does: 32-bit, accurate integer IDCT, fancy upsampling.
// The data's colour space is the photo's, whatever its markers would make libjpeg guess.
bool decodeData(Decompressor& d, const MemoryJpeg& data, J_COLOR_SPACE space, QImage& pixels)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_create_decompress(&d.cinfo);
    jpeg_mem_src(&d.cinfo, data.data, data.size);
    jpeg_read_header(&d.cinfo, TRUE);
    d.cinfo.jpeg_color_space = space;
    d.cinfo.out_color_space = kDecodeSpace;
    d.cinfo.dct_method = JDCT_ISLOW;
    d.cinfo.do_fancy_upsampling = TRUE;
    jpeg_start_decompress(&d.cinfo);
    if (d.cinfo.output_width != JDIMENSION(pixels.width()) ||
        d.cinfo.output_height != JDIMENSION(pixels.height()))
        ERREXIT(&d.cinfo, JERR_BUFFER_SIZE);
    uchar* bits = pixels.bits();
    const qsizetype bytesPerLine = pixels.bytesPerLine();
    while (d.cinfo.output_scanline < d.cinfo.output_height) {
        JSAMPROW row = bits + qsizetype(d.cinfo.output_scanline) * bytesPerLine;
        jpeg_read_scanlines(&d.cinfo, &row, 1);
    }
    jpeg_finish_decompress(&d.cinfo);
    return true;
}

// Encodes 32-bit pixels with the photo's colour space, sampling and quantisation tables.
bool encodePixels(Compressor& c, const JpegCoefficients& coefficients, const QImage& pixels, MemoryJpeg& out)
{
    if (setjmp(c.errors.jump))
        return false;
    jpeg_create_compress(&c.cinfo);
    c.cinfo.image_width = JDIMENSION(pixels.width());
    c.cinfo.image_height = JDIMENSION(pixels.height());
    c.cinfo.input_components = 4;
    c.cinfo.in_color_space = kEncodeSpace;
    jpeg_set_defaults(&c.cinfo);
    jpeg_set_colorspace(&c.cinfo, coefficients.colorSpace());
    c.cinfo.dct_method = JDCT_ISLOW;
    c.cinfo.optimize_coding = FALSE;
    c.cinfo.write_JFIF_header = FALSE;
    c.cinfo.write_Adobe_marker = FALSE;
    for (int ci = 0; ci < coefficients.componentCount(); ++ci) {
        const JpegCoefficients::Component& component = coefficients.component(ci);
        jpeg_component_info& info = c.cinfo.comp_info[ci];
        info.h_samp_factor = component.h;
        info.v_samp_factor = component.v;
        info.quant_tbl_no = ci;
        JQUANT_TBL*& table = c.cinfo.quant_tbl_ptrs[ci];
        if (!table)
            table = jpeg_alloc_quant_table(reinterpret_cast<j_common_ptr>(&c.cinfo));
        for (int k = 0; k < DCTSIZE2; ++k)
            table->quantval[k] = component.quant[k];
        table->sent_table = FALSE;
    }
    jpeg_mem_dest(&c.cinfo, &out.data, &out.size);
    jpeg_start_compress(&c.cinfo, TRUE);
    const uchar* bits = pixels.constBits();
    const qsizetype bytesPerLine = pixels.bytesPerLine();
    while (c.cinfo.next_scanline < c.cinfo.image_height) {
        auto row = const_cast<JSAMPROW>(bits + qsizetype(c.cinfo.next_scanline) * bytesPerLine);
        jpeg_write_scanlines(&c.cinfo, &row, 1);
    }
    jpeg_finish_compress(&c.cinfo);
    return true;
}

// Which blocks of a component take the encoded ones: a flag per block of the region, row by
// row, with the region's first block and its width in blocks.
struct Selection
{
    int firstColumn = 0;
    int firstRow = 0;
    int columns = 0;
    int rows = 0;
    std::vector<unsigned char> marked;
};

// Reads the encoded region's blocks and puts the marked ones into the photo's arrays.
bool copyMarkedBlocks(Decompressor& d, const MemoryJpeg& data, const JpegCoefficients& coefficients,
                      const Selection* selections, int* copied)
{
    if (setjmp(d.errors.jump))
        return false;
    jpeg_create_decompress(&d.cinfo);
    jpeg_mem_src(&d.cinfo, data.data, data.size);
    jpeg_read_header(&d.cinfo, TRUE);
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&d.cinfo);
    for (int ci = 0; ci < coefficients.componentCount(); ++ci) {
        const Selection& selection = selections[ci];
        const jpeg_component_info& info = d.cinfo.comp_info[ci];
        for (int y = 0; y < selection.rows && y < int(info.height_in_blocks); ++y) {
            const JBLOCKARRAY source = (*d.cinfo.mem->access_virt_barray)(
                reinterpret_cast<j_common_ptr>(&d.cinfo), arrays[ci], JDIMENSION(y), 1, FALSE);
            const JBLOCKROW target = coefficients.blockRow(ci, selection.firstRow + y);
            if (!target)
                ERREXIT(&d.cinfo, JERR_BAD_VIRTUAL_ACCESS);
            for (int x = 0; x < selection.columns && x < int(info.width_in_blocks); ++x) {
                if (!selection.marked[size_t(y) * size_t(selection.columns) + size_t(x)])
                    continue;
                std::memcpy(target[selection.firstColumn + x], source[0][x], sizeof(JBLOCK));
                ++*copied;
            }
        }
    }
    jpeg_finish_decompress(&d.cinfo);
    return true;
}

Outcome failure(const char* what, const char* message)
{
    return Outcome::failure(
        QStringLiteral("cannot %1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(message)));
}

} // namespace

QRect JpegBlockMerger::alignedToMcus(const JpegCoefficients& coefficients, const QRect& rect)
{
    const QRect photo(QPoint(0, 0), coefficients.size());
    const QRect inside = rect & photo;
    if (inside.isEmpty())
        return QRect();
    const int mw = coefficients.mcuSize().width();
    const int mh = coefficients.mcuSize().height();
    const int left = inside.left() / mw * mw;
    const int top = inside.top() / mh * mh;
    const int right = std::min(photo.width(), (inside.right() + mw) / mw * mw);
    const int bottom = std::min(photo.height(), (inside.bottom() + mh) / mh * mh);
    return QRect(left, top, right - left, bottom - top);
}

QImage JpegBlockMerger::decodePixels(const JpegCoefficients& coefficients, const QRect& area)
{
    if (area.isEmpty() || coefficients.componentCount() == 0)
        return QImage();
    const QSize mcu = coefficients.mcuSize();
    const QRect window =
        alignedToMcus(coefficients, area.adjusted(-mcu.width(), -mcu.height(), mcu.width(), mcu.height()));
    if (!window.contains(area))
        return QImage();

    const int hMax = mcu.width() / DCTSIZE;
    const int vMax = mcu.height() / DCTSIZE;
    std::vector<BlockWindow> windows(size_t(coefficients.componentCount()));
    std::vector<jvirt_barray_ptr> handles(windows.size());
    for (int ci = 0; ci < coefficients.componentCount(); ++ci) {
        const JpegCoefficients::Component& component = coefficients.component(ci);
        // Block columns and rows of the window, whole iMCUs (the photo's arrays hold whole
        // iMCUs too, so the last ones exist even where the picture ends inside them).
        const int blockWidth = DCTSIZE * hMax / component.h;
        const int blockHeight = DCTSIZE * vMax / component.v;
        const int column = window.left() / blockWidth;
        const int firstRow = window.top() / blockHeight;
        const int rows = (window.height() + mcu.height() - 1) / mcu.height() * component.v;
        for (int y = 0; y < rows; ++y) {
            const JBLOCKROW row = coefficients.blockRow(ci, firstRow + y);
            if (!row)
                return QImage();
            windows[size_t(ci)].rows.push_back(row + column);
        }
        handles[size_t(ci)] = reinterpret_cast<jvirt_barray_ptr>(&windows[size_t(ci)]);
    }

    MemoryJpeg data;
    {
        Compressor c;
        if (!writeWindow(c, coefficients, window.size(), handles.data(), data))
            return QImage();
    }
    QImage pixels(window.size(), QImage::Format_ARGB32_Premultiplied);
    if (pixels.isNull())
        return pixels;
    Decompressor d;
    if (!decodeData(d, data, coefficients.colorSpace(), pixels) || d.cinfo.err->num_warnings > 0)
        return QImage();
    return window == area ? pixels : pixels.copy(area.translated(-window.topLeft()));
}

namespace {

// Rows of pixels decoded, drawn and encoded at a time: large layers (tiled watermarks can cover
// the whole photo) are merged band by band, so that the memory stays a few bands, not copies of
// the whole photo.
constexpr int kBandRows = 512;

// One band's encoded blocks and which of them replace the photo's.
struct Band
{
    MemoryJpeg encoded;
    std::vector<Selection> selections;
};

} // namespace

Outcome JpegBlockMerger::merge(JpegCoefficients& coefficients, const QImage& layer, const QPoint& position,
                               Result* result)
{
    if (result)
        *result = Result();
    const QRect drawn = QRect(position, layer.size()) & QRect(QPoint(0, 0), coefficients.size());
    if (drawn.isEmpty() || layer.isNull())
        return Outcome::success();

    // Whole iMCUs around the drawing, in bands of whole iMCU rows. Every band is decoded from
    // the photo's own blocks before any block is replaced.
    const QRect region = alignedToMcus(coefficients, drawn);
    const int mcuHeight = coefficients.mcuSize().height();
    const int bandRows = std::max(mcuHeight, kBandRows / mcuHeight * mcuHeight);
    const int hMax = coefficients.mcuSize().width() / DCTSIZE;
    const int vMax = mcuHeight / DCTSIZE;
    std::vector<std::unique_ptr<Band>> bands;
    for (int top = region.top(); top <= region.bottom(); top += bandRows) {
        const QRect band(region.left(), top, region.width(), std::min(bandRows, region.bottom() + 1 - top));
        const QImage before = decodePixels(coefficients, band);
        if (before.isNull())
            return Outcome::failure(QStringLiteral("cannot decode the blocks under the watermark"));
        QImage after = before.copy();
        if (after.isNull())
            return Outcome::failure(QStringLiteral("not enough memory for the blocks under the watermark"));
        {
            QPainter painter(&after);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            painter.drawImage(position - band.topLeft(), layer);
        }

        // Changed pixels, gathered per 8 x 8 cell of the band.
        const int cellColumns = (band.width() + DCTSIZE - 1) / DCTSIZE;
        const int cellRows = (band.height() + DCTSIZE - 1) / DCTSIZE;
        std::vector<unsigned char> changed(size_t(cellColumns) * size_t(cellRows));
        const QRect local = (drawn & band).translated(-band.topLeft());
        bool anyChange = false;
        for (int y = local.top(); y <= local.bottom(); ++y) {
            const auto* old = reinterpret_cast<const quint32*>(before.constScanLine(y));
            const auto* now = reinterpret_cast<const quint32*>(after.constScanLine(y));
            unsigned char* cells = changed.data() + size_t(y / DCTSIZE) * size_t(cellColumns);
            for (int x = local.left(); x <= local.right(); ++x) {
                if (old[x] != now[x]) {
                    cells[x / DCTSIZE] = 1;
                    anyChange = true;
                }
            }
        }
        if (!anyChange)
            continue;

        // Per component, the blocks standing for a changed cell.
        auto merged = std::make_unique<Band>();
        merged->selections.resize(size_t(coefficients.componentCount()));
        for (int ci = 0; ci < coefficients.componentCount(); ++ci) {
            const JpegCoefficients::Component& component = coefficients.component(ci);
            const int cellsAcross = hMax / component.h; // cells of 8 x 8 pixels per block
            const int cellsDown = vMax / component.v;
            Selection& selection = merged->selections[size_t(ci)];
            selection.firstColumn = band.left() / (DCTSIZE * cellsAcross);
            selection.firstRow = band.top() / (DCTSIZE * cellsDown);
            selection.columns = (cellColumns + cellsAcross - 1) / cellsAcross;
            selection.rows = (cellRows + cellsDown - 1) / cellsDown;
            selection.marked.assign(size_t(selection.columns) * size_t(selection.rows), 0);
            for (int cy = 0; cy < cellRows; ++cy) {
                for (int cx = 0; cx < cellColumns; ++cx) {
                    if (changed[size_t(cy) * size_t(cellColumns) + size_t(cx)])
                        selection.marked[size_t(cy / cellsDown) * size_t(selection.columns) +
                                         size_t(cx / cellsAcross)] = 1;
                }
            }
        }
        Compressor c;
        if (!encodePixels(c, coefficients, after, merged->encoded))
            return failure("encode the watermark's blocks", c.errors.message);
        bands.push_back(std::move(merged));
    }

    int copied = 0;
    for (const std::unique_ptr<Band>& band : bands) {
        Decompressor d;
        if (!copyMarkedBlocks(d, band->encoded, coefficients, band->selections.data(), &copied))
            return failure("merge the watermark's blocks", d.errors.message);
    }
    if (result)
        result->blocks = copied;
    return Outcome::success();
}
