#include "HostileJpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include <jpeglib.h>

namespace HostileJpeg {

namespace {

struct Errors
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void errorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<Errors*>(cinfo->err)->jump, 1);
}

// One scan per component and coefficient band, successive approximation as described in
// the header. Component 0 alone for grey pictures.
std::vector<jpeg_scan_info> scanScript(int components, int refinements)
{
    std::vector<jpeg_scan_info> scans;
    jpeg_scan_info dc{};
    dc.comps_in_scan = components;
    for (int c = 0; c < components; ++c)
        dc.component_index[c] = c;
    dc.Ss = 0;
    dc.Se = 0;
    dc.Ah = 0;
    dc.Al = 1;
    scans.push_back(dc);
    dc.Ah = 1;
    dc.Al = 0;
    scans.push_back(dc);
    for (int c = 0; c < components; ++c) {
        for (int k = 1; k < DCTSIZE2; ++k) {
            jpeg_scan_info ac{};
            ac.comps_in_scan = 1;
            ac.component_index[0] = c;
            ac.Ss = k;
            ac.Se = k;
            ac.Ah = 0;
            ac.Al = refinements;
            scans.push_back(ac);
            for (int bit = refinements - 1; bit >= 0; --bit) {
                ac.Ah = bit + 1;
                ac.Al = bit;
                scans.push_back(ac);
            }
        }
    }
    return scans;
}

// Rows in the layout libjpeg expects for the input colour space.
QByteArray inputRows(const QImage& image, Colour colour, int& components)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const int w = rgb.width();
    const int h = rgb.height();
    QByteArray rows;
    if (colour == Colour::Grey) {
        components = 1;
        const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
        for (int y = 0; y < h; ++y)
            rows.append(reinterpret_cast<const char*>(grey.constScanLine(y)), w);
        return rows;
    }
    if (colour == Colour::YCbCr) {
        components = 3;
        for (int y = 0; y < h; ++y)
            rows.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), w * 3);
        return rows;
    }
    // Inverted inks, as Adobe writes them (the Adobe marker tells readers so).
    components = 4;
    rows.reserve(qsizetype(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        const uchar* in = rgb.constScanLine(y);
        for (int x = 0; x < w; ++x, in += 3) {
            const int k = 255 - std::max({in[0], in[1], in[2]});
            const int white = 255 - k;
            const auto ink = [&](int value) { return white == 0 ? 0 : (white - value) * 255 / white; };
            rows.append(char(255 - ink(in[0])));
            rows.append(char(255 - ink(in[1])));
            rows.append(char(255 - ink(in[2])));
            rows.append(char(255 - k));
        }
    }
    return rows;
}

// Everything libjpeg touches lives in this record, so that an error jumping back to the
// guarded call leaves no local variable in an unknown state.
struct Compression
{
    jpeg_compress_struct cinfo{};
    Errors errors{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const uchar* rows = nullptr;
    int width = 0;
    int height = 0;
    int components = 0;
    Colour colour = Colour::YCbCr;
    int quality = 90;
    const jpeg_scan_info* script = nullptr;
    int scans = 0;
};

bool compress(Compression* c)
{
    c->cinfo.err = jpeg_std_error(&c->errors.pub);
    c->errors.pub.error_exit = errorExit;
    if (setjmp(c->errors.jump))
        return false;
    jpeg_create_compress(&c->cinfo);
    jpeg_mem_dest(&c->cinfo, &c->buffer, &c->size);
    c->cinfo.image_width = JDIMENSION(c->width);
    c->cinfo.image_height = JDIMENSION(c->height);
    c->cinfo.input_components = c->components;
    c->cinfo.in_color_space = c->components == 1 ? JCS_GRAYSCALE : (c->components == 3 ? JCS_RGB : JCS_CMYK);
    jpeg_set_defaults(&c->cinfo);
    if (c->colour == Colour::Ycck)
        jpeg_set_colorspace(&c->cinfo, JCS_YCCK);
    jpeg_set_quality(&c->cinfo, c->quality, TRUE);
    if (c->scans > 0) {
        c->cinfo.scan_info = c->script;
        c->cinfo.num_scans = c->scans;
    }
    jpeg_start_compress(&c->cinfo, TRUE);
    const qsizetype stride = qsizetype(c->width) * c->components;
    while (c->cinfo.next_scanline < c->cinfo.image_height) {
        JSAMPROW row = const_cast<uchar*>(c->rows) + qsizetype(c->cinfo.next_scanline) * stride;
        jpeg_write_scanlines(&c->cinfo, &row, 1);
    }
    jpeg_finish_compress(&c->cinfo);
    return true;
}

} // namespace

QByteArray encode(const QImage& image, const Options& options)
{
    int components = 0;
    const QByteArray rows = inputRows(image, options.colour, components);
    const std::vector<jpeg_scan_info> script =
        options.progressive ? scanScript(components, options.refinements) : std::vector<jpeg_scan_info>();

    auto c = std::make_unique<Compression>();
    c->rows = reinterpret_cast<const uchar*>(rows.constData());
    c->width = image.width();
    c->height = image.height();
    c->components = components;
    c->colour = options.colour;
    c->quality = options.quality;
    c->script = script.data();
    c->scans = int(script.size());
    const bool ok = compress(c.get());
    QByteArray out;
    if (ok)
        out = QByteArray(reinterpret_cast<const char*>(c->buffer), qsizetype(c->size));
    jpeg_destroy_compress(&c->cinfo);
    std::free(c->buffer);
    return out;
}

int scanCount(const QByteArray& jpeg)
{
    int count = 0;
    for (qsizetype i = 0; i + 1 < jpeg.size(); ++i) {
        if (quint8(jpeg[i]) == 0xFF && quint8(jpeg[i + 1]) == 0xDA)
            ++count;
    }
    return count;
}

} // namespace HostileJpeg
