// Fuzzes the readers of HEIF (HEIC, AVIF) and WebP photos and of the metadata that travels with
// every photo: the input is decoded (at most 256 x 256 pixels), its EXIF block, XMP and ICC
// profile are read (TIFF's through TiffMetadataReader, whatever the input is) and written into
// JPEG segments, PNG chunks and a WebP file, and the orientation item is set. Besides the
// sanitizers, it aborts when a decode reports success without a picture of the header's size,
// or a failure without a reason, or when the metadata does not survive its own round trip.
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzGui.h"
#include "FuzzWorkFolder.h"
#include "services/imaging/ImageOrientation.h"
#include "services/imaging/PhotoDecoder.h"
#include "services/imaging/PhotoMetadata.h"
#include "services/imaging/PngMetadataChunks.h"
#include "services/imaging/TiffMetadataReader.h"
#include "services/imaging/WebpEncoder.h"

namespace {

constexpr qint64 kPixelLimit = 256 * 256;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// The metadata written into JPEG segments and read back gives what fits one segment.
void CheckRoundTrip(PhotoMetadata metadata)
{
    const PhotoMetadata back = PhotoMetadata::fromJpeg(metadata.toJpeg());
    Check(back.icc == metadata.icc || metadata.icc.size() > 255 * PhotoMetadata::kIccChunk);
    if (!metadata.exif.isEmpty() && metadata.exif.size() + 6 <= JpegMetadata::kMaxSegmentData)
        Check(back.exif == metadata.exif);
    const int before = metadata.orientation();
    if (metadata.setOrientation(1))
        Check(metadata.orientation() == 1);
    else
        Check(metadata.orientation() == before);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    StartFuzzGui(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString photo = FuzzWorkFolder().filePath(QStringLiteral("photo.img"));
    {
        QFile file(photo);
        Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        Check(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }

    CheckRoundTrip(TiffMetadataReader::read(photo));

    PhotoDecoder decoder;
    decoder.setPixelLimit(kPixelLimit);
    const Outcome opened = decoder.open(photo);
    if (!opened) {
        Check(!opened.sentence().isEmpty());
        return 0;
    }
    const PhotoMetadata early = decoder.embeddedMetadata();
    QImage picture;
    const Outcome decoded = decoder.decode(picture, QSize(), true);
    if (!decoded) {
        Check(!decoded.sentence().isEmpty());
        return 0;
    }
    Check(!picture.isNull());
    Check(picture.size() == ImageOrientation::uprightSize(decoder.storedSize(), decoder.orientation()));
    const PhotoMetadata metadata = decoder.embeddedMetadata();
    if (decoder.format() != PhotoDecoder::Format::Png && decoder.format() != PhotoDecoder::Format::Tiff)
        Check(metadata == early);
    CheckRoundTrip(metadata);

    // PNG data with the profile and EXIF block put in still reads as the same picture.
    QByteArray plain;
    {
        QBuffer buffer(&plain);
        buffer.open(QIODevice::WriteOnly);
        Check(picture.save(&buffer, "PNG"));
    }
    const QImage reread = QImage::fromData(PngMetadataChunks::embed(plain, metadata), "PNG");
    Check(reread.size() == picture.size());
    QByteArray webp;
    Check(bool(WebpEncoder::encode(picture, 50, false, metadata, webp)));
    Check(webp.startsWith("RIFF"));
    return 0;
}
