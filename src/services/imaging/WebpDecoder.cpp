#include "services/imaging/WebpDecoder.h"

#include <QFile>

#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include <webp/decode.h>
#include <webp/demux.h>

namespace {

// The header of every WebP file, a VP8X chunk and the first frame's header fit in this.
constexpr qint64 kHeaderBytes = 4096;
// Metadata chunks larger than this are left out, as PNG chunks are.
constexpr size_t kMaxMetadataChunk = 8'000'000;

// QImage's 32-bit formats hold 0xAARRGGBB as a native integer.
constexpr WEBP_CSP_MODE kArgb32Mode = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? MODE_BGRA : MODE_ARGB;

ImagingStatus endsEarly()
{
    return ImagingStatus::failure(QStringLiteral("the photo is damaged: its data ends early"));
}

ImagingStatus fromStatus(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_OK:
        return ImagingStatus::success();
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return endsEarly();
    case VP8_STATUS_OUT_OF_MEMORY:
        return ImagingStatus::failure(QStringLiteral("not enough memory to decode the photo"));
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return ImagingStatus::failure(
            QStringLiteral("cannot decode: the WebP file uses a feature libwebp lacks"));
    default:
        return ImagingStatus::failure(QStringLiteral("the photo is damaged: its WebP data is not valid"));
    }
}

QByteArray chunk(const WebPDemuxer* demux, const char* name)
{
    WebPChunkIterator iterator;
    QByteArray data;
    if (WebPDemuxGetChunk(demux, name, 1, &iterator)) {
        if (iterator.chunk.size <= kMaxMetadataChunk)
            data = QByteArray(reinterpret_cast<const char*>(iterator.chunk.bytes),
                              qsizetype(iterator.chunk.size));
        WebPDemuxReleaseChunkIterator(&iterator);
    }
    return data;
}

struct DemuxDeleter
{
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};

} // namespace

bool WebpDecoder::hasSignature(const unsigned char* bytes, size_t count)
{
    return count >= 12 && std::memcmp(bytes, "RIFF", 4) == 0 && std::memcmp(bytes + 8, "WEBP", 4) == 0;
}

ImagingStatus WebpDecoder::open(const QString& path, qint64 pixelLimit)
{
    *this = WebpDecoder();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ImagingStatus::failure(QStringLiteral("cannot open the file: %1").arg(file.errorString()));
    const QByteArray head = file.read(kHeaderBytes);
    WebPBitstreamFeatures features;
    const VP8StatusCode status =
        WebPGetFeatures(reinterpret_cast<const uint8_t*>(head.constData()), size_t(head.size()), &features);
    if (status == VP8_STATUS_NOT_ENOUGH_DATA && head.size() < kHeaderBytes)
        return endsEarly();
    if (status != VP8_STATUS_OK || features.width <= 0 || features.height <= 0)
        return ImagingStatus::failure(QStringLiteral("cannot decode: the WebP header is damaged"));
    m_size = QSize(features.width, features.height);
    m_alpha = features.has_alpha != 0;
    m_animation = features.has_animation != 0;
    if (qint64(features.width) * features.height > pixelLimit)
        return ImagingStatus::success(); // the caller refuses it by its size, unread

    try {
        m_bytes = head + file.readAll();
    } catch (const std::bad_alloc&) {
        return ImagingStatus::failure(QStringLiteral("not enough memory to read the photo"));
    }
    if (file.error() != QFileDevice::NoError)
        return ImagingStatus::failure(QStringLiteral("cannot read the file: %1").arg(file.errorString()));

    // The metadata chunks, from as much of the file as there is.
    const WebPData data{reinterpret_cast<const uint8_t*>(m_bytes.constData()), size_t(m_bytes.size())};
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    const std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemuxPartial(&data, &state));
    if (!demux || state == WEBP_DEMUX_PARSE_ERROR)
        return ImagingStatus::failure(
            QStringLiteral("the photo is damaged: its WebP structure is not valid"));
    m_complete = state == WEBP_DEMUX_DONE;
    m_metadata.exif = PhotoMetadata::tiffStructure(chunk(demux.get(), "EXIF"));
    m_metadata.xmp = chunk(demux.get(), "XMP ");
    m_metadata.icc = chunk(demux.get(), "ICCP");
    return ImagingStatus::success();
}

ImagingStatus WebpDecoder::decode(QImage& image)
{
    image = QImage();
    const QByteArray bytes = std::exchange(m_bytes, QByteArray());
    if (bytes.isEmpty())
        return ImagingStatus::failure(QStringLiteral("no picture is open"));
    const WebPData data{reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())};

    QImage result(m_size, m_alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (result.isNull())
        return ImagingStatus::failure(QStringLiteral("not enough memory to decode a %1 x %2 picture")
                                          .arg(m_size.width())
                                          .arg(m_size.height()));

    if (m_animation) {
        if (!m_complete)
            return endsEarly();
        WebPAnimDecoderOptions options;
        if (!WebPAnimDecoderOptionsInit(&options))
            return ImagingStatus::failure(
                QStringLiteral("cannot decode: libwebp's animation decoder is missing"));
        options.color_mode = kArgb32Mode;
        options.use_threads = 0;
        WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
        if (!decoder)
            return ImagingStatus::failure(QStringLiteral("the photo is damaged: its animation is not valid"));
        WebPAnimInfo info;
        uint8_t* canvas = nullptr;
        int timestamp = 0;
        const bool ok = WebPAnimDecoderGetInfo(decoder, &info) && int(info.canvas_width) == m_size.width() &&
                        int(info.canvas_height) == m_size.height() &&
                        WebPAnimDecoderGetNext(decoder, &canvas, &timestamp) && canvas;
        if (ok) {
            const qsizetype rowBytes = qsizetype(m_size.width()) * 4;
            for (int y = 0; y < m_size.height(); ++y)
                std::memcpy(result.scanLine(y), canvas + y * rowBytes, size_t(rowBytes));
        }
        WebPAnimDecoderDelete(decoder);
        if (!ok)
            return ImagingStatus::failure(
                QStringLiteral("the photo is damaged: its first frame cannot be decoded"));
        image = std::move(result);
        return ImagingStatus::success();
    }

    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return ImagingStatus::failure(QStringLiteral("cannot decode: libwebp's decoder is missing"));
    config.output.colorspace = kArgb32Mode;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = result.bits();
    config.output.u.RGBA.stride = int(result.bytesPerLine());
    config.output.u.RGBA.size = size_t(result.sizeInBytes());
    const VP8StatusCode status = WebPDecode(data.bytes, data.size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        return fromStatus(status);
    image = std::move(result);
    return ImagingStatus::success();
}
