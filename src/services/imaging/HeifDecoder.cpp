#include "services/imaging/HeifDecoder.h"

#include "services/imaging/HeifGridTiles.h"
#include "services/imaging/NclxProfile.h"

#include <QFile>

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include <libheif/heif.h>

namespace {

// libheif refuses pictures with a side at or over this; its own default is 32768.
constexpr int kLibheifSideDefault = 32768;
// The most tiles a grid picture may have (a 48-megapixel phone photo has 192 of 512 x 512), and
// the pixels its tiles may hold beyond twice the picture's own (tiles overhang its edges).
constexpr int kMaxTiles = 8192;
constexpr qint64 kTileAreaSlack = 16'000'000;
// Metadata blocks and colour profiles larger than this are left out, as PNG chunks are.
constexpr size_t kMaxMetadataBlock = 8'000'000;

QString libheifText(const heif_error& error)
{
    const QString text = QString::fromUtf8(error.message ? error.message : "").simplified();
    return text.isEmpty() ? QStringLiteral("libheif error %1.%2").arg(int(error.code)).arg(int(error.subcode))
                          : text;
}

// The reason a libheif call failed, in the words the other decoders use: data that ends early
// or is damaged makes a damaged photo, the rest cannot be decoded.
Outcome failure(const heif_error& error)
{
    if (error.subcode == heif_suberror_End_of_data)
        return Outcome::failure(QStringLiteral("the photo is damaged: its data ends early"));
    if (error.subcode == heif_suberror_Security_limit_exceeded)
        return Outcome::failure(
            QStringLiteral("the picture is larger than allowed: %1").arg(libheifText(error)));
    if (error.code == heif_error_Invalid_input || error.code == heif_error_Decoder_plugin_error)
        return Outcome::failure(QStringLiteral("the photo is damaged: %1").arg(libheifText(error)));
    return Outcome::failure(QStringLiteral("cannot decode: %1").arg(libheifText(error)));
}

// True when a top-level box of the file reaches past its end: the file was cut off. libheif
// then names whatever box it misses first.
bool boxesEndEarly(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    qint64 at = 0;
    for (int boxes = 0; at < size && boxes < 10000; ++boxes) {
        if (!file.seek(at))
            return false;
        const QByteArray head = file.read(16);
        if (head.size() < 8)
            return true;
        const auto byte = [&](int i) { return quint64(uchar(head[i])); };
        quint64 length = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
        if (length == 1) {
            if (head.size() < 16)
                return true;
            length = 0;
            for (int i = 8; i < 16; ++i)
                length = length << 8 | byte(i);
        } else if (length == 0) {
            return false; // the box runs to the end of the file
        }
        if (length < 8)
            return false;
        if (length > quint64(size - at))
            return true;
        at += qint64(length);
    }
    return false;
}

struct ContextDeleter
{
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleDeleter
{
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageDeleter
{
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsDeleter
{
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

QByteArray metadataBlock(const heif_image_handle* handle, heif_item_id id)
{
    const size_t size = heif_image_handle_get_metadata_size(handle, id);
    if (size == 0 || size > kMaxMetadataBlock)
        return QByteArray();
    QByteArray data(qsizetype(size), Qt::Uninitialized);
    if (heif_image_handle_get_metadata(handle, id, data.data()).code != heif_error_Ok)
        return QByteArray();
    return data;
}

// The EXIF item starts with a 4-byte offset from its end to the TIFF header.
QByteArray exifFromItem(const QByteArray& item)
{
    if (item.size() < 4)
        return QByteArray();
    const quint32 offset = quint32(uchar(item[0])) << 24 | quint32(uchar(item[1])) << 16 |
                           quint32(uchar(item[2])) << 8 | uchar(item[3]);
    if (offset < quint32(item.size() - 4)) {
        const QByteArray tiff = PhotoMetadata::tiffStructure(item.mid(4 + qsizetype(offset)));
        if (!tiff.isEmpty())
            return tiff;
    }
    return PhotoMetadata::tiffStructure(item.mid(4));
}

PhotoMetadata readMetadata(const heif_image_handle* handle)
{
    PhotoMetadata metadata;
    const int count = heif_image_handle_get_number_of_metadata_blocks(handle, nullptr);
    if (count > 0) {
        std::vector<heif_item_id> ids(size_t(std::min(count, 256)));
        const int got =
            heif_image_handle_get_list_of_metadata_block_IDs(handle, nullptr, ids.data(), int(ids.size()));
        for (int i = 0; i < got; ++i) {
            const char* type = heif_image_handle_get_metadata_type(handle, ids[size_t(i)]);
            const QByteArray typeName(type ? type : "");
            if (typeName == "Exif" && metadata.exif.isEmpty()) {
                metadata.exif = exifFromItem(metadataBlock(handle, ids[size_t(i)]));
            } else if (typeName == "mime" && metadata.xmp.isEmpty()) {
                const char* content = heif_image_handle_get_metadata_content_type(handle, ids[size_t(i)]);
                if (content && std::strcmp(content, "application/rdf+xml") == 0)
                    metadata.xmp = metadataBlock(handle, ids[size_t(i)]);
            }
        }
    }
    const heif_color_profile_type profile = heif_image_handle_get_color_profile_type(handle);
    if (profile == heif_color_profile_type_prof || profile == heif_color_profile_type_rICC) {
        const size_t size = heif_image_handle_get_raw_color_profile_size(handle);
        if (size > 0 && size <= kMaxMetadataBlock) {
            QByteArray icc(qsizetype(size), Qt::Uninitialized);
            if (heif_image_handle_get_raw_color_profile(handle, icc.data()).code == heif_error_Ok)
                metadata.icc = icc;
        }
    } else if (profile == heif_color_profile_type_nclx) {
        // Colour given by code points: outputs carry a profile made from them.
        heif_color_profile_nclx* nclx = nullptr;
        if (heif_image_handle_get_nclx_color_profile(handle, &nclx).code == heif_error_Ok && nclx) {
            NclxProfile::Colour colour;
            colour.primaries = int(nclx->color_primaries);
            colour.transfer = int(nclx->transfer_characteristics);
            colour.red[0] = nclx->color_primary_red_x;
            colour.red[1] = nclx->color_primary_red_y;
            colour.green[0] = nclx->color_primary_green_x;
            colour.green[1] = nclx->color_primary_green_y;
            colour.blue[0] = nclx->color_primary_blue_x;
            colour.blue[1] = nclx->color_primary_blue_y;
            colour.white[0] = nclx->color_primary_white_x;
            colour.white[1] = nclx->color_primary_white_y;
            metadata.icc = NclxProfile::iccProfile(colour);
            metadata.profileFromNclx = !metadata.icc.isEmpty();
            heif_nclx_color_profile_free(nclx);
        }
    }
    return metadata;
}

} // namespace

struct HeifDecoder::State
{
    std::unique_ptr<heif_context, ContextDeleter> context;
    std::unique_ptr<heif_image_handle, HandleDeleter> handle;
    QString path;
    QSize size;
    QSize shown; // the size the container gives the picture as it stands
    PhotoMetadata metadata;
};

HeifDecoder::HeifDecoder() : d(std::make_unique<State>()) {}

HeifDecoder::~HeifDecoder() = default;

bool HeifDecoder::hasSignature(const unsigned char* bytes, size_t count)
{
    if (count < 12 || std::memcmp(bytes + 4, "ftyp", 4) != 0)
        return false;
    const heif_filetype_result type = heif_check_filetype(bytes, int(std::min<size_t>(count, 1 << 20)));
    return type == heif_filetype_yes_supported || type == heif_filetype_yes_unsupported;
}

bool HeifDecoder::isAvif(const unsigned char* bytes, size_t count)
{
    return count >= 12 && (std::memcmp(bytes + 8, "avif", 4) == 0 || std::memcmp(bytes + 8, "avis", 4) == 0);
}

QSize HeifDecoder::size() const
{
    return d->size;
}

const PhotoMetadata& HeifDecoder::metadata() const
{
    return d->metadata;
}

Outcome HeifDecoder::open(const QString& path, qint64 pixelLimit)
{
    d = std::make_unique<State>();
    d->path = path;
    d->context.reset(heif_context_alloc());
    if (!d->context)
        return Outcome::failure(QStringLiteral("not enough memory to read the photo"));
    // No side may be longer than the pixel limit allows, nor than libheif's own default.
    heif_context_set_maximum_image_size_limit(d->context.get(),
                                              int(std::clamp<qint64>(pixelLimit, 1, kLibheifSideDefault)));
    const QByteArray nativePath = QFile::encodeName(path);
    heif_error error = heif_context_read_from_file(d->context.get(), nativePath.constData(), nullptr);
    if (error.code != heif_error_Ok && boxesEndEarly(path))
        return Outcome::failure(QStringLiteral("the photo is damaged: its data ends early"));
    if (error.code != heif_error_Ok)
        return failure(error);
    heif_image_handle* handle = nullptr;
    error = heif_context_get_primary_image_handle(d->context.get(), &handle);
    if (error.code != heif_error_Ok)
        return failure(error);
    d->handle.reset(handle);

    const int width = heif_image_handle_get_width(handle);
    const int height = heif_image_handle_get_height(handle);
    const qint64 stored =
        qint64(heif_image_handle_get_ispe_width(handle)) * heif_image_handle_get_ispe_height(handle);
    if (width <= 0 || height <= 0)
        return Outcome::failure(QStringLiteral("cannot decode: the picture's header is damaged"));
    d->shown = QSize(width, height);
    // The caller refuses the picture over the limit; the stored size counts as much.
    d->size = stored > qint64(width) * height
                  ? QSize(heif_image_handle_get_ispe_width(handle), heif_image_handle_get_ispe_height(handle))
                  : QSize(width, height);
    if (qint64(d->size.width()) * d->size.height() > pixelLimit)
        return Outcome::success();
    // A grid picture is decoded tile by tile: the number of tiles and their pixels together are
    // bounded before any is decoded.
    const HeifGridTiles tiles = HeifGridTiles::ofPrimary(path);
    if (tiles.count > kMaxTiles)
        return Outcome::failure(QStringLiteral("the picture is larger than allowed: a grid of %1 tiles, "
                                               "more than %2")
                                    .arg(tiles.count)
                                    .arg(kMaxTiles));
    const qint64 tileRoom = 2 * qint64(width) * height + kTileAreaSlack;
    if (tiles.area > tileRoom)
        return Outcome::failure(
            QStringLiteral("the picture is larger than allowed: its %1 tiles hold %2 pixels for a %3 x %4 "
                           "picture")
                .arg(tiles.count)
                .arg(tiles.area)
                .arg(width)
                .arg(height));
    d->metadata = readMetadata(handle);
    return Outcome::success();
}

Outcome HeifDecoder::decode(QImage& image)
{
    image = QImage();
    if (!d->handle)
        return Outcome::failure(QStringLiteral("no picture is open"));
    const bool alpha = heif_image_handle_has_alpha_channel(d->handle.get()) != 0;
    std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
    if (options) {
        options->convert_hdr_to_8bit = 1;
        options->strict_decoding = 1;
    }
    heif_image* decoded = nullptr;
    const heif_error error =
        heif_decode_image(d->handle.get(), &decoded, heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get());
    std::unique_ptr<heif_image, ImageDeleter> owned(decoded);
    // libheif's error message lives in the context: it is read before the context goes.
    const Outcome status = error.code == heif_error_Ok ? Outcome::success()
                           : boxesEndEarly(d->path)
                               ? Outcome::failure(QStringLiteral("the photo is damaged: its data ends early"))
                               : failure(error);
    d->handle.reset();
    d->context.reset();
    if (!status)
        return status;
    if (!decoded)
        return Outcome::failure(QStringLiteral("the photo is damaged: no picture was decoded"));

    const int width = heif_image_get_width(decoded, heif_channel_interleaved);
    const int height = heif_image_get_height(decoded, heif_channel_interleaved);
    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    if (!pixels || width <= 0 || height <= 0 ||
        heif_image_get_bits_per_pixel_range(decoded, heif_channel_interleaved) != 8)
        return Outcome::failure(QStringLiteral("cannot decode: the picture has no 8-bit colour plane"));
    // The coded picture decides its size: one that is not what the container's size box (with
    // its crop and rotation) says is damaged, and is never stretched to the claimed size.
    if (QSize(width, height) != d->shown)
        return Outcome::failure(
            QStringLiteral("the photo is damaged: its picture is %1 x %2 pixels, its header says %3 x %4")
                .arg(width)
                .arg(height)
                .arg(d->shown.width())
                .arg(d->shown.height()));

    // Alpha planes are stored straight unless the file says they are premultiplied.
    const QImage::Format format = !alpha ? QImage::Format_RGB32
                                  : heif_image_is_premultiplied_alpha(decoded)
                                      ? QImage::Format_ARGB32_Premultiplied
                                      : QImage::Format_ARGB32;
    QImage result(width, height, format);
    if (result.isNull())
        return Outcome::failure(
            QStringLiteral("not enough memory to decode a %1 x %2 picture").arg(width).arg(height));
    const int channels = alpha ? 4 : 3;
    for (int y = 0; y < height; ++y) {
        const uint8_t* in = pixels + qsizetype(y) * stride;
        auto* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        if (alpha) {
            for (int x = 0; x < width; ++x, in += channels)
                out[x] = qRgba(in[0], in[1], in[2], in[3]);
        } else {
            for (int x = 0; x < width; ++x, in += channels)
                out[x] = qRgb(in[0], in[1], in[2]);
        }
    }
    image = std::move(result);
    return Outcome::success();
}
