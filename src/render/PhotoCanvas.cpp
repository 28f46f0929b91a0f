#include "render/PhotoCanvas.h"

#include "services/language/FailureReason.h"

#include "services/imaging/ImageCanvas.h"
#include "services/imaging/ImageOrientation.h"
#include "services/imaging/PhotoDecoder.h"

namespace {

// The format layers are drawn in: opaque photos stay RGB32 (every pixel opaque, exactly as
// the photo drawn onto a transparent ARGB canvas); others become premultiplied ARGB.
QImage paintable(QImage image)
{
    if (image.format() == QImage::Format_RGB32 || image.format() == ImageCanvas::kFormat)
        return image;
    const QImage::Format format = image.hasAlphaChannel() ? ImageCanvas::kFormat : QImage::Format_RGB32;
    return std::move(image).convertToFormat(format);
}

} // namespace

Outcome PhotoCanvas::load(const QString& path, const Options& options, PhotoCanvas& out)
{
    out = PhotoCanvas();
    const QString unusable = resizeSettingsProblem(options.resize, options.resizePictures);
    if (!unusable.isEmpty())
        return Outcome::failure(unusable);
    PhotoDecoder decoder;
    decoder.setPixelLimit(options.pixelLimit);
    const Outcome opened = decoder.open(path);
    if (!opened)
        return opened;

    out.isJpeg = decoder.format() == PhotoDecoder::Format::Jpeg;
    out.orientation = decoder.orientation();
    out.chromaSampling = decoder.chromaSampling();
    if (out.isJpeg && options.keepMetadata)
        out.metadata = decoder.metadata();

    const QSize upright = ImageOrientation::uprightSize(decoder.storedSize(), out.orientation);
    const QSize size =
        ComputeOutputSize(options.resize, options.resizePictures, upright.width(), upright.height());
    // A target of 0 (an emptied field of the resizing window), a target so small that the
    // other side rounds to 0, or one so large that the rule's 32-bit products overflow: the
    // photo is refused rather than written at a size nobody asked for.
    const auto [exactWidth, exactHeight] =
        exactOutputSize(options.resize, options.resizePictures, upright.width(), upright.height());
    if (size.isEmpty() || exactWidth != size.width() || exactHeight != size.height())
        return Outcome::failure(
            FailureReason::tr("the resize settings give an output size of %1 x %2 for this %3 x %4 photo; "
                              "change them in the resizing window")
                .arg(exactWidth)
                .arg(exactHeight)
                .arg(upright.width())
                .arg(upright.height()));
    if (qint64(size.width()) * size.height() > options.pixelLimit)
        return Outcome::failure(
            FailureReason::tr("the output size %1 x %2 is larger than the limit of %3 pixels")
                .arg(size.width())
                .arg(size.height())
                .arg(options.pixelLimit));

    // The decoder reduces only when the output is smaller in both directions.
    QImage photo;
    const Outcome decoded = decoder.decode(photo, size, true);
    if (!decoded)
        return decoded;
    if (options.keepMetadata)
        out.embedded = decoder.embeddedMetadata();

    if (photo.size() != size) {
        photo = paintable(std::move(photo));
        photo = ImageCanvas::scaledHighQuality(photo, size);
    }
    out.canvas = paintable(std::move(photo));
    if (out.canvas.isNull())
        return Outcome::failure(
            FailureReason::tr("not enough memory for a %1 x %2 canvas").arg(size.width()).arg(size.height()));
    return Outcome::success();
}
