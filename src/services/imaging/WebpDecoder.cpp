#include "services/imaging/WebpDecoder.h"

#include <QFile>

#include "services/imaging/JpegMetadata.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include <webp/decode.h>
#include <webp/demux.h>

namespace {

// The header of every WebP file, a VP8X chunk and the first frame's header fit in this.
constexpr qint64 kHeaderBytes = 4096;
// Metadata chunks larger than this are left out unread, as PNG chunks are.
constexpr size_t kMaxMetadataChunk = 8'000'000;
// An EXIF block larger than a JPEG's APP1 segment holds is left out, as for PNG.
constexpr qsizetype kMaxExif = JpegMetadata::kMaxSegmentData - JpegMetadata::kExifHeaderSize;
// More chunks than this make no WebP file (an animation holds one per frame).
constexpr int kMaxChunks = 100'000;

// QImage's 32-bit formats hold 0xAARRGGBB as a native integer.
constexpr WEBP_CSP_MODE kArgb32Mode = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? MODE_BGRA : MODE_ARGB;

Outcome endsEarly()
{
    return Outcome::failure(QStringLiteral("the photo is damaged: its data ends early"));
}

Outcome fromStatus(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_OK:
        return Outcome::success();
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return endsEarly();
    case VP8_STATUS_OUT_OF_MEMORY:
        return Outcome::failure(QStringLiteral("not enough memory to decode the photo"));
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return Outcome::failure(QStringLiteral("cannot decode: the WebP file uses a feature libwebp lacks"));
    default:
        return Outcome::failure(QStringLiteral("the photo is damaged: its WebP data is not valid"));
    }
}

// The bytes libwebp decodes, and the metadata chunks, read from a WebP file one chunk at a
// time: the picture's own chunks (VP8X, ANIM, ANMF, ALPH, VP8, VP8L) are copied into a WebP
// file of their own; EXIF, XMP and ICCP chunks within their limits go to the metadata (the
// first of each), and larger ones and every other chunk are passed over unread.
struct RiffReader
{
    QByteArray picture; // the picture's chunks after a RIFF header
    PhotoMetadata metadata;
    bool cut = false;        // a chunk, or the RIFF size, reaches beyond the end of the file
    bool damaged = false;    // more chunks than any WebP file holds
    quint8 droppedFlags = 0; // VP8X flags of the metadata chunks left out

    static quint32 u32(const char* at)
    {
        const auto* p = reinterpret_cast<const uchar*>(at);
        return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
    }

    static void putU32(QByteArray& bytes, qsizetype at, quint32 value)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = char(value >> (8 * i) & 0xFF);
    }

    void read(QFile& file)
    {
        file.seek(0);
        const QByteArray header = file.read(12);
        const qint64 riffEnd = qint64(u32(header.constData() + 4)) + 8;
        if (riffEnd > file.size())
            cut = true;
        const qint64 end = std::min(riffEnd, file.size());
        picture = header;
        qint64 dropped = 0; // bytes of the file in the chunks left out
        qint64 at = 12;
        int chunks = 0;
        while (at + 8 <= end) {
            if (++chunks > kMaxChunks) {
                damaged = true;
                return;
            }
            file.seek(at);
            const QByteArray head = file.read(8);
            if (head.size() < 8)
                break;
            const QByteArray name = head.left(4);
            const qint64 size = u32(head.constData() + 4);
            const qint64 next = at + 8 + size + (size & 1);
            if (at + 8 + size > end)
                cut = true;
            const bool pictureChunk = name == "VP8X" || name == "ANIM" || name == "ANMF" || name == "ALPH" ||
                                      name == "VP8 " || name == "VP8L";
            if (pictureChunk) {
                picture += head;
                picture += file.read(std::min(next, end) - (at + 8));
            } else {
                dropped += std::min(next, end) - at;
                keepMetadata(file, name, size, end - (at + 8));
            }
            at = next;
        }
        if (at < end && !cut)
            picture += file.read(end - at); // a few bytes too short for a chunk header
        // The file's RIFF size less the chunks left out: a file cut off still claims more than
        // its data, which libwebp takes for a file that ends early, as it took the whole file.
        putU32(picture, 4, quint32(std::clamp<qint64>(riffEnd - 8 - dropped, 4, 0xFFFFFFFFLL)));
        // The VP8X flags say which chunks follow: those of the chunks left out are cleared.
        if (picture.size() > 20 && picture.mid(12, 4) == "VP8X")
            picture[20] = char(quint8(picture[20]) & ~droppedFlags);
    }

    void keepMetadata(QFile& file, const QByteArray& name, qint64 size, qint64 available)
    {
        const quint8 flag = name == "EXIF" ? 0x08 : name == "XMP " ? 0x04 : name == "ICCP" ? 0x20 : 0;
        if (flag == 0)
            return;
        droppedFlags |= flag;
        QByteArray* target = flag == 0x08 ? &metadata.exif : flag == 0x04 ? &metadata.xmp : &metadata.icc;
        if (!target->isEmpty() || size > qint64(kMaxMetadataChunk) || size > available)
            return;
        QByteArray data = file.read(size);
        if (flag == 0x08) {
            data = PhotoMetadata::tiffStructure(data);
            if (data.size() > kMaxExif)
                return; // larger than a JPEG output could carry, as for PNG
        }
        *target = data;
    }
};

struct DemuxDeleter
{
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};

} // namespace

bool WebpDecoder::hasSignature(const unsigned char* bytes, size_t count)
{
    return count >= 12 && std::memcmp(bytes, "RIFF", 4) == 0 && std::memcmp(bytes + 8, "WEBP", 4) == 0;
}

Outcome WebpDecoder::open(const QString& path, qint64 pixelLimit)
{
    *this = WebpDecoder();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Outcome::failure(QStringLiteral("cannot open the file: %1").arg(file.errorString()));
    const QByteArray head = file.read(kHeaderBytes);
    WebPBitstreamFeatures features;
    const VP8StatusCode status =
        WebPGetFeatures(reinterpret_cast<const uint8_t*>(head.constData()), size_t(head.size()), &features);
    if (status == VP8_STATUS_NOT_ENOUGH_DATA && head.size() < kHeaderBytes)
        return endsEarly();
    if (status != VP8_STATUS_OK || features.width <= 0 || features.height <= 0)
        return Outcome::failure(QStringLiteral("cannot decode: the WebP header is damaged"));
    m_size = QSize(features.width, features.height);
    m_alpha = features.has_alpha != 0;
    m_animation = features.has_animation != 0;
    if (qint64(features.width) * features.height > pixelLimit)
        return Outcome::success(); // the caller refuses it by its size, unread

    RiffReader riff;
    try {
        riff.read(file);
    } catch (const std::bad_alloc&) {
        return Outcome::failure(QStringLiteral("not enough memory to read the photo"));
    }
    if (file.error() != QFileDevice::NoError)
        return Outcome::failure(QStringLiteral("cannot read the file: %1").arg(file.errorString()));
    const QString invalid = QStringLiteral("the photo is damaged: its WebP structure is not valid");
    if (riff.damaged)
        return Outcome::failure(invalid);
    m_bytes = std::move(riff.picture);

    // The structure of the picture's chunks, from as much of the file as there is.
    const WebPData data{reinterpret_cast<const uint8_t*>(m_bytes.constData()), size_t(m_bytes.size())};
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    const std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemuxPartial(&data, &state));
    if (!demux || state == WEBP_DEMUX_PARSE_ERROR)
        return Outcome::failure(invalid);
    m_complete = state == WEBP_DEMUX_DONE && !riff.cut;
    m_metadata = std::move(riff.metadata);
    return Outcome::success();
}

Outcome WebpDecoder::decode(QImage& image)
{
    image = QImage();
    const QByteArray bytes = std::exchange(m_bytes, QByteArray());
    if (bytes.isEmpty())
        return Outcome::failure(QStringLiteral("no picture is open"));
    const WebPData data{reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())};

    QImage result(m_size, m_alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (result.isNull())
        return Outcome::failure(QStringLiteral("not enough memory to decode a %1 x %2 picture")
                                    .arg(m_size.width())
                                    .arg(m_size.height()));

    if (m_animation) {
        if (!m_complete)
            return endsEarly();
        WebPAnimDecoderOptions options;
        if (!WebPAnimDecoderOptionsInit(&options))
            return Outcome::failure(QStringLiteral("cannot decode: libwebp's animation decoder is missing"));
        options.color_mode = kArgb32Mode;
        options.use_threads = 0;
        WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
        if (!decoder)
            return Outcome::failure(QStringLiteral("the photo is damaged: its animation is not valid"));
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
            return Outcome::failure(
                QStringLiteral("the photo is damaged: its first frame cannot be decoded"));
        image = std::move(result);
        return Outcome::success();
    }

    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return Outcome::failure(QStringLiteral("cannot decode: libwebp's decoder is missing"));
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
    return Outcome::success();
}
