#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

// A JPEG's coefficients and pixels read straight through libjpeg, independent of the code under
// test, to compare photos block by block and pixel by pixel.
namespace JpegTestBlocks {

// A JPEG's coefficients as libjpeg reads them.
struct Blocks
{
    struct Component
    {
        int h = 1;
        int v = 1;
        int width = 0; // in blocks
        int height = 0;
        std::vector<JCOEF> coefficients; // width x height blocks of 64
        const JCOEF* block(int x, int y) const
        {
            return coefficients.data() + (size_t(y) * size_t(width) + size_t(x)) * DCTSIZE2;
        }
    };
    QSize size;
    int hMax = 1;
    int vMax = 1;
    bool progressive = false;
    unsigned restart = 0;
    J_COLOR_SPACE space = JCS_UNKNOWN;
    std::vector<Component> components;
    std::vector<std::vector<UINT16>> quant;
};

// A decompressor of the JPEG bytes with the header read; freed with it.
struct HeaderReader
{
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errors{};

    explicit HeaderReader(const QByteArray& data)
    {
        cinfo.err = jpeg_std_error(&errors);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                     (unsigned long)data.size());
        jpeg_read_header(&cinfo, TRUE);
    }
    ~HeaderReader() { jpeg_destroy_decompress(&cinfo); }
    HeaderReader(const HeaderReader&) = delete;
    HeaderReader& operator=(const HeaderReader&) = delete;
};

inline Blocks readBlocks(const QByteArray& data)
{
    Blocks blocks;
    HeaderReader reader(data);
    jpeg_decompress_struct& cinfo = reader.cinfo;
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&cinfo);
    blocks.size = QSize(int(cinfo.image_width), int(cinfo.image_height));
    blocks.hMax = cinfo.max_h_samp_factor;
    blocks.vMax = cinfo.max_v_samp_factor;
    blocks.progressive = cinfo.progressive_mode;
    blocks.restart = cinfo.restart_interval;
    blocks.space = cinfo.jpeg_color_space;
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& info = cinfo.comp_info[c];
        Blocks::Component component;
        component.h = info.h_samp_factor;
        component.v = info.v_samp_factor;
        component.width = int(info.width_in_blocks);
        component.height = int(info.height_in_blocks);
        for (int y = 0; y < component.height; ++y) {
            JBLOCKARRAY row = (*cinfo.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                               arrays[c], JDIMENSION(y), 1, FALSE);
            for (int x = 0; x < component.width; ++x)
                component.coefficients.insert(component.coefficients.end(), row[0][x], row[0][x] + DCTSIZE2);
        }
        blocks.components.push_back(std::move(component));
        const JQUANT_TBL* table = info.quant_table;
        blocks.quant.emplace_back(table->quantval, table->quantval + DCTSIZE2);
    }
    jpeg_finish_decompress(&cinfo);
    return blocks;
}

// The decoded pixels (libjpeg's defaults), RGB.
inline QImage decode(const QByteArray& data)
{
    HeaderReader reader(data);
    jpeg_decompress_struct& cinfo = reader.cinfo;
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    QImage image(int(cinfo.output_width), int(cinfo.output_height), QImage::Format_RGB888);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = image.scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    return image;
}

// The pixels a block of a component stands for.
inline QRect footprint(const Blocks& b, const Blocks::Component& c, int x, int y)
{
    const int w = DCTSIZE * b.hMax / c.h;
    const int h = DCTSIZE * b.vMax / c.v;
    return QRect(x * w, y * h, w, h) & QRect(QPoint(0, 0), b.size);
}

// The blocks whose coefficients differ, per component, as footprints.
inline QList<QRect> changedBlocks(const Blocks& before, const Blocks& after)
{
    QList<QRect> changed;
    for (size_t c = 0; c < before.components.size(); ++c) {
        const Blocks::Component& a = before.components[c];
        const Blocks::Component& b = after.components[c];
        for (int y = 0; y < a.height; ++y) {
            for (int x = 0; x < a.width; ++x) {
                if (!std::equal(a.block(x, y), a.block(x, y) + DCTSIZE2, b.block(x, y)))
                    changed.append(footprint(before, a, x, y));
            }
        }
    }
    return changed;
}

inline int channelDifference(const QImage& a, const QImage& b, int x, int y)
{
    const uchar* p = a.constScanLine(y) + 3 * x;
    const uchar* q = b.constScanLine(y) + 3 * x;
    return std::max({std::abs(p[0] - q[0]), std::abs(p[1] - q[1]), std::abs(p[2] - q[2])});
}

inline double psnr(const QImage& a, const QImage& b, const QRect& area)
{
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const uchar* p = a.constScanLine(y) + 3 * x;
            const uchar* q = b.constScanLine(y) + 3 * x;
            for (int k = 0; k < 3; ++k)
                sum += (p[k] - q[k]) * (p[k] - q[k]);
        }
    }
    const double mse = sum / (3.0 * area.width() * area.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

// Pixels that differ between two decodes outside the given blocks grown by one pixel.
inline int differencesOutside(const QImage& a, const QImage& b, const QList<QRect>& blocks)
{
    std::vector<unsigned char> near(size_t(a.width()) * size_t(a.height()));
    for (const QRect& block : blocks) {
        const QRect grown = block.adjusted(-1, -1, 1, 1) & a.rect();
        for (int y = grown.top(); y <= grown.bottom(); ++y)
            std::fill_n(near.begin() + std::ptrdiff_t(y) * a.width() + grown.left(), grown.width(), 1);
    }
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (!near[size_t(y) * size_t(a.width()) + size_t(x)] && channelDifference(a, b, x, y) != 0)
                ++differing;
        }
    }
    return differing;
}

} // namespace JpegTestBlocks
