#include "services/imaging/PngRowWriter.h"

#include "services/language/FailureReason.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <png.h>

namespace {

struct Output
{
    const PngRowWriter::Sink* sink = nullptr;
    bool inHead = true; // the chunks before the pixels are gathered, then passed on
    QByteArray head;
    bool failed = false;
    char message[200] = {};
};

void writeBytes(png_structp png, png_bytep data, png_size_t size)
{
    auto* out = static_cast<Output*>(png_get_io_ptr(png));
    if (out->failed)
        return;
    if (out->inHead)
        out->head.append(reinterpret_cast<const char*>(data), qsizetype(size));
    else if (!(*out->sink)(reinterpret_cast<const char*>(data), qint64(size)))
        out->failed = true;
}

void flushBytes(png_structp) {}

void onError(png_structp png, png_const_charp message)
{
    auto* out = static_cast<Output*>(png_get_error_ptr(png));
    std::snprintf(out->message, sizeof out->message, "%s", message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// Passes the chunks gathered before the pixels on, as `head` gives them.
bool writeHead(Output& out, const PngRowWriter::Head& head)
{
    const QByteArray written = head(out.head);
    out.head.clear();
    return (*out.sink)(written.constData(), written.size());
}

// The libpng calls, apart so that nothing with a destructor lives across setjmp.
bool writeGuarded(png_structp png, png_infop info, Output& out, const QSize& size, bool alpha,
                  const QSize& dotsPerMeter, const PixelRows& rows, const PngRowWriter::Head& head,
                  uchar* row)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, &out, writeBytes, flushBytes);
    png_set_IHDR(png, info, png_uint_32(size.width()), png_uint_32(size.height()), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    if (dotsPerMeter.width() > 0 && dotsPerMeter.height() > 0)
        png_set_pHYs(png, info, png_uint_32(dotsPerMeter.width()), png_uint_32(dotsPerMeter.height()),
                     PNG_RESOLUTION_METER);
    png_write_info(png, info);
    out.inHead = false;
    if (!writeHead(out, head))
        return false;
    for (int y = 0; y < size.height(); ++y) {
        if (!rows(y, row) || out.failed)
            return false;
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    return !out.failed;
}

} // namespace

Outcome PngRowWriter::write(const QSize& size, bool alpha, const QSize& dotsPerMeter, const PixelRows& rows,
                            const Head& head, const Sink& sink)
{
    if (size.isEmpty())
        return Outcome::failure(FailureReason::tr("nothing to encode: the picture is empty"));
    Output out;
    out.sink = &sink;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &out, onError, onWarning);
    if (!png)
        return Outcome::failure(QString());
    png_infop info = png_create_info_struct(png);
    std::vector<uchar> row;
    bool ok = info != nullptr;
    if (ok) {
        row.resize(size_t(size.width()) * (alpha ? 4 : 3));
        ok = writeGuarded(png, info, out, size, alpha, dotsPerMeter, rows, head, row.data());
    }
    png_destroy_write_struct(&png, info ? &info : nullptr);
    if (ok)
        return Outcome::success();
    return Outcome::failure(out.message[0] ? QString::fromLocal8Bit(out.message) : QString());
}
