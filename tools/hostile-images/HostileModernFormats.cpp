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

namespace {

QByteArray u16be(quint32 value)
{
    const char bytes[2] = {char(value >> 8 & 0xFF), char(value & 0xFF)};
    return QByteArray(bytes, 2);
}

QByteArray u32be(quint32 value)
{
    return u16be(value >> 16) + u16be(value & 0xFFFF);
}

QByteArray box(const char* type, const QByteArray& payload)
{
    return u32be(quint32(payload.size() + 8)) + QByteArray(type, 4) + payload;
}

QByteArray fullBox(const char* type, int version, quint32 flags, const QByteArray& payload)
{
    return box(type, u32be(quint32(version) << 24 | (flags & 0xFFFFFF)) + payload);
}

// The whole box of `type` found first in the file (a plain search: the tile files are small
// and made by libheif).
QByteArray findBox(const QByteArray& file, const char* type)
{
    const qsizetype at = file.indexOf(QByteArray(type, 4));
    if (at < 4)
        return QByteArray();
    const qsizetype size = qsizetype(readU32be(file, at - 4));
    return size >= 8 && at - 4 + size <= file.size() ? file.mid(at - 4, size) : QByteArray();
}

} // namespace

QByteArray heifGrid(const QByteArray& tileHeic, QSize tile, int columns, int rows, QSize output)
{
    const QByteArray hvcC = findBox(tileHeic, "hvcC");
    const QByteArray tileData = findBox(tileHeic, "mdat").mid(8);
    if (hvcC.isEmpty() || tileData.isEmpty() || columns < 1 || rows < 1 || columns > 256 || rows > 256)
        return QByteArray();
    constexpr quint32 kGrid = 1;
    constexpr quint32 kTile = 2;
    const QByteArray ftyp = box("ftyp", QByteArray("heic") + u32be(0) + "mif1heic");
    const QByteArray hdlr =
        fullBox("hdlr", 0, 0, u32be(0) + "pict" + QByteArray(12, '\0') + QByteArray(1, '\0'));
    const QByteArray pitm = fullBox("pitm", 0, 0, u16be(kGrid));
    const QByteArray iinf =
        fullBox("iinf", 0, 0,
                u16be(2) + fullBox("infe", 2, 0, u16be(kGrid) + u16be(0) + "grid" + QByteArray(1, '\0')) +
                    fullBox("infe", 2, 1, u16be(kTile) + u16be(0) + "hvc1" + QByteArray(1, '\0')));
    QByteArray references = u16be(kGrid) + u16be(quint32(columns * rows));
    for (int i = 0; i < columns * rows; ++i)
        references += u16be(kTile);
    const QByteArray iref = fullBox("iref", 0, 0, box("dimg", references));
    const QByteArray ispe = [](QSize size) {
        return fullBox("ispe", 0, 0, u32be(quint32(size.width())) + u32be(quint32(size.height())));
    }(tile);
    const QByteArray gridIspe =
        fullBox("ispe", 0, 0, u32be(quint32(output.width())) + u32be(quint32(output.height())));
    // ipma: the tile has the decoder configuration (essential) and its size, the grid its size.
    const QByteArray ipma = fullBox("ipma", 0, 0,
                                    u32be(2) + u16be(kTile) + QByteArray("\x02\x81\x02", 3) + u16be(kGrid) +
                                        QByteArray("\x01\x03", 2));
    const QByteArray iprp = box("iprp", box("ipco", hvcC + ispe + gridIspe) + ipma);
    // The grid's description: version, flags (16-bit sizes), rows and columns less one, size.
    const QByteArray grid = QByteArray(2, '\0') + char(rows - 1) + char(columns - 1) +
                            u16be(quint32(output.width())) + u16be(quint32(output.height()));
    const QByteArray idat = box("idat", grid);
    const auto iloc = [&](quint32 tileOffset) {
        // Version 1: offsets and lengths of 4 bytes, no base offset; the grid in idat
        // (construction method 1), the tile in the file (method 0).
        return fullBox("iloc", 1, 0,
                       QByteArray("\x44\x00", 2) + u16be(2) + u16be(kGrid) + u16be(1) + u16be(0) + u16be(1) +
                           u32be(0) + u32be(quint32(grid.size())) + u16be(kTile) + u16be(0) + u16be(0) +
                           u16be(1) + u32be(tileOffset) + u32be(quint32(tileData.size())));
    };
    const auto meta = [&](quint32 tileOffset) {
        return fullBox("meta", 0, 0, hdlr + pitm + iloc(tileOffset) + iinf + iref + iprp + idat);
    };
    const quint32 tileOffset = quint32(ftyp.size() + meta(0).size() + 8);
    return ftyp + meta(tileOffset) + box("mdat", tileData);
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
