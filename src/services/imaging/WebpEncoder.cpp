#include "services/imaging/WebpEncoder.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <memory>

namespace WebpEncoder {

namespace {

struct MuxDeleter
{
    void operator()(WebPMux* mux) const { WebPMuxDelete(mux); }
};

WebPData view(const QByteArray& bytes)
{
    return WebPData{reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())};
}

} // namespace

Outcome encode(const QImage& image, int quality, bool lossless, const PhotoMetadata& metadata,
               QByteArray& out)
{
    out.clear();
    if (image.width() > kMaxSide || image.height() > kMaxSide)
        return Outcome::failure(QStringLiteral("a %1 x %2 picture is larger than WebP allows (%3 x %3)")
                                    .arg(image.width())
                                    .arg(image.height())
                                    .arg(kMaxSide));
    // WebP stores straight (not premultiplied) alpha. QImage's 32-bit formats are the bytes
    // B, G, R, A on little-endian machines; elsewhere the picture becomes R, G, B, A bytes.
    constexpr bool kBgraBytes = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    const bool alpha = image.hasAlphaChannel();
    const QImage source = image.convertToFormat(!kBgraBytes ? QImage::Format_RGBA8888
                                                : alpha     ? QImage::Format_ARGB32
                                                            : QImage::Format_RGB32);
    if (source.isNull())
        return Outcome::failure(QStringLiteral("not enough memory to encode the picture"));

    WebPConfig config;
    WebPPicture picture;
    if (!WebPConfigPreset(&config, WEBP_PRESET_DEFAULT, float(qBound(0, quality, 100))) ||
        !WebPPictureInit(&picture))
        return Outcome::failure(QStringLiteral("libwebp's encoder cannot be set up"));
    if (lossless) {
        // Every pixel kept exactly; the quality then sets how hard libwebp works on the size.
        config.lossless = 1;
        config.quality = 75;
    }
    picture.use_argb = 1;
    picture.width = source.width();
    picture.height = source.height();
    WebPMemoryWriter memory;
    WebPMemoryWriterInit(&memory);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &memory;
    // RGB32 keeps 0xff in its alpha byte, so both import as opaque where they are.
    const int imported =
        kBgraBytes ? WebPPictureImportBGRA(&picture, source.constBits(), int(source.bytesPerLine()))
                   : WebPPictureImportRGBA(&picture, source.constBits(), int(source.bytesPerLine()));
    const bool encoded = imported && WebPEncode(&config, &picture);
    const WebPEncodingError error = picture.error_code;
    WebPPictureFree(&picture);
    const QByteArray bitstream(reinterpret_cast<const char*>(memory.mem), qsizetype(memory.size));
    WebPMemoryWriterClear(&memory);
    if (!encoded)
        return Outcome::failure(
            QStringLiteral("libwebp failed to encode the picture (error %1)").arg(int(error)));

    // WebP has no place for IPTC records: only the other three count.
    if (metadata.exif.isEmpty() && metadata.xmp.isEmpty() && metadata.icc.isEmpty()) {
        out = bitstream;
        return Outcome::success();
    }
    const WebPData still = view(bitstream);
    const std::unique_ptr<WebPMux, MuxDeleter> mux(WebPMuxCreate(&still, 1));
    if (!mux)
        return Outcome::failure(QStringLiteral("libwebp cannot add the metadata chunks"));
    const struct
    {
        const char* name;
        const QByteArray& data;
    } chunks[] = {{"ICCP", metadata.icc}, {"EXIF", metadata.exif}, {"XMP ", metadata.xmp}};
    for (const auto& chunk : chunks) {
        if (chunk.data.isEmpty())
            continue;
        const WebPData data = view(chunk.data);
        if (WebPMuxSetChunk(mux.get(), chunk.name, &data, 1) != WEBP_MUX_OK)
            return Outcome::failure(QStringLiteral("libwebp cannot add the %1 chunk")
                                        .arg(QString::fromLatin1(chunk.name).trimmed()));
    }
    WebPData assembled;
    WebPDataInit(&assembled);
    if (WebPMuxAssemble(mux.get(), &assembled) != WEBP_MUX_OK)
        return Outcome::failure(QStringLiteral("libwebp cannot add the metadata chunks"));
    out = QByteArray(reinterpret_cast<const char*>(assembled.bytes), qsizetype(assembled.size));
    WebPDataClear(&assembled);
    return Outcome::success();
}

} // namespace WebpEncoder
