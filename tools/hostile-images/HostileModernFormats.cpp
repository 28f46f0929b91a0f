#include "HostileModernFormats.h"

#include <cstring>

#include <libheif/heif.h>
#include <webp/encode.h>
#include <webp/mux.h>

namespace HostileModernFormats {

namespace {

heif_error writeToBytes(heif_context*, const void* data, size_t size, void* userData)
{
    static_cast<QByteArray*>(userData)->append(static_cast<const char*>(data), qsizetype(size));
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

QByteArray webpStill(const QImage& image, bool lossless)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    uint8_t* output = nullptr;
    const size_t size = lossless ? WebPEncodeLosslessRGBA(rgba.constBits(), rgba.width(), rgba.height(),
                                                          int(rgba.bytesPerLine()), &output)
                                 : WebPEncodeRGBA(rgba.constBits(), rgba.width(), rgba.height(),
                                                  int(rgba.bytesPerLine()), 80, &output);
    const QByteArray bytes(reinterpret_cast<const char*>(output), qsizetype(size));
    WebPFree(output);
    return bytes;
}

quint32 readU32be(const QByteArray& data, qsizetype at)
{
    const auto* p = reinterpret_cast<const uchar*>(data.constData()) + at;
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

void putU32le(QByteArray& data, qsizetype at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        data[at + i] = char((value >> (8 * i)) & 0xFF);
}

} // namespace

QByteArray heif(const QImage& image, Heif codec)
{
    QByteArray bytes;
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    const heif_compression_format format = codec == Heif::Hevc ? heif_compression_HEVC : heif_compression_AV1;
    if (heif_context_get_encoder_for_format(context, format, &encoder).code != heif_error_Ok) {
        heif_context_free(context);
        return bytes;
    }
    heif_encoder_set_lossy_quality(encoder, 85);
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    heif_image* picture = nullptr;
    heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &picture);
    heif_image_add_plane(picture, heif_channel_interleaved, rgb.width(), rgb.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(plane + qsizetype(y) * stride, rgb.constScanLine(y), size_t(rgb.width()) * 3);
    heif_writer writer{1, writeToBytes};
    if (heif_context_encode_image(context, picture, encoder, nullptr, nullptr).code == heif_error_Ok)
        heif_context_write(context, &writer, &bytes);
    heif_image_release(picture);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return bytes;
}

QByteArray webp(const QImage& image, Webp kind)
{
    if (kind != Webp::Animated)
        return webpStill(image, kind == Webp::LosslessAlpha);
    WebPMux* mux = WebPMuxNew();
    const QByteArray frames[] = {webpStill(image, true), webpStill(image.mirrored(true, false), true),
                                 webpStill(image.mirrored(false, true), true)};
    for (const QByteArray& frame : frames) {
        WebPMuxFrameInfo info{};
        info.bitstream = WebPData{reinterpret_cast<const uint8_t*>(frame.constData()), size_t(frame.size())};
        info.duration = 100;
        info.id = WEBP_CHUNK_ANMF;
        info.dispose_method = WEBP_MUX_DISPOSE_NONE;
        info.blend_method = WEBP_MUX_NO_BLEND;
        WebPMuxPushFrame(mux, &info, 1);
    }
    WebPMuxAnimParams params{0xFFFFFFFF, 0};
    WebPMuxSetAnimationParams(mux, &params);
    WebPMuxSetCanvasSize(mux, image.width(), image.height());
    WebPData assembled;
    WebPDataInit(&assembled);
    QByteArray bytes;
    if (WebPMuxAssemble(mux, &assembled) == WEBP_MUX_OK)
        bytes = QByteArray(reinterpret_cast<const char*>(assembled.bytes), qsizetype(assembled.size));
    WebPDataClear(&assembled);
    WebPMuxDelete(mux);
    return bytes;
}

QByteArray heifClaiming(const QByteArray& heif, QSize size)
{
    QByteArray out = heif;
    // "ispe": version and flags (4 bytes), then width and height, big-endian.
    for (qsizetype at = out.indexOf("ispe"); at >= 0 && at + 16 <= out.size();
         at = out.indexOf("ispe", at + 4)) {
        for (int i = 0; i < 4; ++i) {
            out[at + 8 + i] = char((quint32(size.width()) >> (24 - 8 * i)) & 0xFF);
            out[at + 12 + i] = char((quint32(size.height()) >> (24 - 8 * i)) & 0xFF);
        }
    }
    return out;
}

QByteArray webpClaiming(const QByteArray& lossyWebp, QSize size)
{
    // RIFF header (12), "VP8 " chunk header (8), frame tag (3), start code (3), then the
    // 14-bit width and height with 2 bits of scale each, little-endian.
    QByteArray out = lossyWebp;
    if (out.size() < 30 || out.mid(12, 4) != "VP8 ")
        return out;
    const quint16 width = quint16(size.width() & 0x3FFF);
    const quint16 height = quint16(size.height() & 0x3FFF);
    out[26] = char(width & 0xFF);
    out[27] = char(width >> 8);
    out[28] = char(height & 0xFF);
    out[29] = char(height >> 8);
    return out;
}

QByteArray webpWithHugeChunk(const QByteArray& webp)
{
    QByteArray chunk("EXIF", 4);
    chunk.append(QByteArray(4, '\0'));
    putU32le(chunk, 4, 0xFFFFFFF0u);
    chunk.append("II*\0", 4);
    QByteArray out = webp + chunk;
    putU32le(out, 4, quint32(out.size() - 8));
    return out;
}

QByteArray webpWithChunk(const QByteArray& webp, const char* name, const QByteArray& payload)
{
    QByteArray chunk(name, 4);
    chunk.append(QByteArray(4, '\0'));
    putU32le(chunk, 4, quint32(payload.size()));
    chunk += payload;
    if (payload.size() % 2)
        chunk.append('\0');
    QByteArray out = webp + chunk;
    putU32le(out, 4, quint32(out.size() - 8));
    const QByteArray type(name, 4);
    const char flag = type == "EXIF" ? 0x08 : type == "XMP " ? 0x04 : type == "ICCP" ? 0x20 : 0;
    if (out.size() > 20 && out.mid(12, 4) == "VP8X")
        out[20] = char(out[20] | flag);
    return out;
}

QByteArray heifWithBlankData(const QByteArray& heif, char fill)
{
    QByteArray out = heif;
    const qsizetype box = out.indexOf("mdat");
    if (box < 4)
        return out;
    const qsizetype end = qMin<qsizetype>(out.size(), box - 4 + qsizetype(readU32be(out, box - 4)));
    for (qsizetype i = box + 4; i < end; ++i)
        out[i] = fill;
    return out;
}

QByteArray noiseFrom(const QByteArray& file, qsizetype from)
{
    QByteArray out = file;
    quint32 state = 2463534242u;
    for (qsizetype i = qMax<qsizetype>(0, from); i < out.size(); ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        out[i] = char(state & 0xFF);
    }
    return out;
}

} // namespace HostileModernFormats
