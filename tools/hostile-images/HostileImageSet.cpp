#include "HostileImageSet.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>

#include "HostileBytes.h"
#include "HostileJpeg.h"
#include "HostileModernFormats.h"

namespace HostileImageSet {

namespace {

constexpr int kApp1 = 0xE1;

// A picture with detail in every channel, so that decoders and encoders have real work.
QImage painted(QSize size, bool alpha = false)
{
    QImage image(size, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(alpha ? Qt::transparent : Qt::white);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, size.width(), size.height());
    sky.setColorAt(0, QColor(30, 90, 200, alpha ? 140 : 255));
    sky.setColorAt(1, QColor(250, 200, 40, 255));
    painter.fillRect(QRect(QPoint(0, 0), size), sky);
    painter.setPen(QPen(QColor(20, 120, 40), 3));
    for (int i = 0; i < 12; ++i)
        painter.drawEllipse(QPoint(size.width() * i / 12, size.height() / 2), size.width() / 10,
                            size.height() / 6);
    if (alpha) {
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.fillRect(QRect(0, 0, size.width() / 3, size.height() / 3), Qt::transparent);
    }
    return image;
}

QByteArray encodedWithQt(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.write(image);
    return bytes;
}

class Writer
{
public:
    explicit Writer(const QString& folder) : m_folder(folder) {}

    void file(const QString& name, const QByteArray& bytes, Expect expect, QSize size, const QString& what,
              bool keepsMetadata = false)
    {
        QFile out(m_folder.filePath(name));
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(bytes);
        m_entries.append({name, expect, size, what, keepsMetadata, QString()});
    }

    // The bytes followed by zeros up to `size` bytes, as a sparse file where the file system
    // allows it (no space taken).
    void zeroPadded(const QString& name, const QByteArray& bytes, qint64 size, const QString& what,
                    const QString& reason)
    {
        QFile out(m_folder.filePath(name));
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size())
            out.resize(size);
        m_entries.append({name, Expect::Refuse, QSize(), what, false, reason});
    }

    void folder(const QString& name, const QString& what)
    {
        m_folder.mkpath(name);
        m_entries.append({name, Expect::Refuse, QSize(), what, false, QString()});
    }

    // The file cut to each length; lengths beyond the file are left out. A cut that keeps all
    // but the last `spare` bytes (an end marker, say) loses no row and is stamped; shorter ones
    // are refused, from `dataStart` bytes on (the header whole) as damaged data that ends early.
    void cuts(const QString& stem, const QString& extension, const QByteArray& whole, QSize size,
              qsizetype spare, qsizetype dataStart)
    {
        const qsizetype n = whole.size();
        const QList<qsizetype> lengths = {1, 2, 8, 16, 33, 100, n / 4, n / 2, n * 3 / 4, n - 12, n - 2};
        for (const qsizetype length : lengths) {
            if (length <= 0 || length >= n)
                continue;
            const bool keepsRows = length >= n - spare;
            file(QStringLiteral("%1-cut-%2.%3").arg(stem).arg(length, 6, 10, QLatin1Char('0')).arg(extension),
                 whole.left(length), keepsRows ? Expect::Stamp : Expect::Refuse, size,
                 QStringLiteral("%1 cut to %2 of %3 bytes").arg(stem).arg(length).arg(n));
            if (!keepsRows && dataStart >= 0 && length >= dataStart)
                m_entries.last().reason = QStringLiteral("the photo is damaged: its data ends early");
        }
    }

    // The reason the failure line of the last file must give.
    void because(const QString& reason) { m_entries.last().reason = reason; }

    QList<Entry> entries() const { return m_entries; }

private:
    QDir m_folder;
    QList<Entry> m_entries;
};

} // namespace

QString expectName(Expect expect)
{
    switch (expect) {
    case Expect::Stamp:
        return QStringLiteral("stamp");
    case Expect::Refuse:
        return QStringLiteral("refuse");
    case Expect::Either:
        return QStringLiteral("either");
    }
    return QString();
}

QList<Entry> write(const QString& folder, QSize size)
{
    QDir().mkpath(folder);
    Writer w(folder);
    const QImage picture = painted(size);

    HostileJpeg::Options baseline;
    const QByteArray jpeg = HostileJpeg::encode(picture, baseline);
    HostileJpeg::Options progressive;
    progressive.progressive = true;
    progressive.refinements = 0;
    const QByteArray progressiveJpeg = HostileJpeg::encode(picture, progressive);
    const QByteArray png = encodedWithQt(picture, "png");
    const QByteArray tiff = encodedWithQt(picture, "tiff");

    // Sound files of every format, as a reference for the damaged ones.
    w.file(QStringLiteral("sound-baseline.jpg"), jpeg, Expect::Stamp, size, QStringLiteral("baseline JPEG"));
    w.file(QStringLiteral("sound-png.png"), png, Expect::Stamp, size, QStringLiteral("8-bit PNG"));
    w.file(QStringLiteral("sound-tiff.tiff"), tiff, Expect::Stamp, size, QStringLiteral("TIFF"));
    w.file(QStringLiteral("sound-bmp.bmp"), encodedWithQt(picture, "bmp"), Expect::Stamp, size,
           QStringLiteral("BMP"));
    const QByteArray gif = HostileBytes::gif(picture);
    w.file(QStringLiteral("sound-gif.gif"), gif, Expect::Stamp, size, QStringLiteral("GIF"));

    // TIFF as cameras write it, the directory before the pixels: in strips, and in compressed
    // tiles (Qt's reader fails uncompressed tiled RGB files, cut or not).
    const QByteArray tiffStrips = HostileBytes::tiffWithDirectoryFirst(picture, false);
    const QByteArray tiffTiles = HostileBytes::tiffWithDirectoryFirst(picture, true, 16, true);
    w.file(QStringLiteral("sound-tiff-strips.tiff"), tiffStrips, Expect::Stamp, size,
           QStringLiteral("TIFF in strips, directory first"));
    w.file(QStringLiteral("sound-tiff-tiles.tiff"), tiffTiles, Expect::Stamp, size,
           QStringLiteral("TIFF in tiles, directory first"));
    const QByteArray bmp = encodedWithQt(picture, "bmp");

    // Truncated files: refused unless only an end marker is missing (JPEG's two bytes, PNG's
    // end chunk, GIF's block end and trailer). Qt's TIFF writer puts the directory last, so
    // every cut of its file loses the header.
    w.cuts(QStringLiteral("jpeg"), QStringLiteral("jpg"), jpeg, size, 2, 8);
    w.cuts(QStringLiteral("progressive"), QStringLiteral("jpg"), progressiveJpeg, size, 2, 8);
    w.cuts(QStringLiteral("png"), QStringLiteral("png"), png, size, 12, 8);
    w.cuts(QStringLiteral("tiff"), QStringLiteral("tiff"), tiff, size, 0, -1);
    w.cuts(QStringLiteral("tiff-strips"), QStringLiteral("tiff"), tiffStrips, size, 0, 2000);
    w.cuts(QStringLiteral("tiff-tiles"), QStringLiteral("tiff"), tiffTiles, size, 0, 2000);
    w.cuts(QStringLiteral("gif"), QStringLiteral("gif"), gif, size, 2, 13 + 768 + 11);
    w.cuts(QStringLiteral("bmp"), QStringLiteral("bmp"), bmp, size, 0, 54);

    // A cut JPEG padded with zeros to 1 GiB: the zeros decode as rows without a word from
    // libjpeg; what follows the last row is no marker, and nothing past it is read.
    w.zeroPadded(QStringLiteral("jpeg-zero-padded-1gib.jpg"), jpeg.left(jpeg.size() / 3), qint64(1) << 30,
                 QStringLiteral("JPEG cut to a third and padded with zeros to 1 GiB"),
                 QStringLiteral("the photo is damaged: its data ends early"));

    // HEIC, AVIF and WebP: sound, cut, claiming huge sizes, and with noise for data.
    using HostileModernFormats::Heif;
    using HostileModernFormats::Webp;
    const QByteArray heic = HostileModernFormats::heif(picture, Heif::Hevc);
    const QByteArray avif = HostileModernFormats::heif(picture, Heif::Av1);
    const QByteArray webpLossy = HostileModernFormats::webp(picture, Webp::Lossy);
    const QByteArray webpAlpha = HostileModernFormats::webp(painted(size, true), Webp::LosslessAlpha);
    const QByteArray webpAnimated = HostileModernFormats::webp(picture, Webp::Animated);
    w.file(QStringLiteral("sound-heic.heic"), heic, Expect::Stamp, size, QStringLiteral("HEIC"));
    w.file(QStringLiteral("sound-avif.avif"), avif, Expect::Stamp, size, QStringLiteral("AVIF"));
    w.file(QStringLiteral("sound-webp.webp"), webpLossy, Expect::Stamp, size, QStringLiteral("lossy WebP"));
    w.file(QStringLiteral("webp-alpha.webp"), webpAlpha, Expect::Stamp, size,
           QStringLiteral("lossless WebP with alpha"));
    w.file(QStringLiteral("webp-animated.webp"), webpAnimated, Expect::Stamp, size,
           QStringLiteral("animated WebP, three frames"));
    w.file(QStringLiteral("heic-named-jpeg.jpg"), heic, Expect::Stamp, size,
           QStringLiteral("HEIC named .jpg"));
    // A HEIF file cut anywhere misses a box; WebP misses its frame data.
    w.cuts(QStringLiteral("heic"), QStringLiteral("heic"), heic, size, 0, 12);
    w.cuts(QStringLiteral("avif"), QStringLiteral("avif"), avif, size, 0, 12);
    w.cuts(QStringLiteral("webp"), QStringLiteral("webp"), webpLossy, size, 0, 12);
    w.cuts(QStringLiteral("webp-animated"), QStringLiteral("webp"), webpAnimated, size, 0, 12);
    w.file(QStringLiteral("huge-heic.heic"), HostileModernFormats::heifClaiming(heic, QSize(100000, 100000)),
           Expect::Refuse, QSize(), QStringLiteral("HEIC claiming 100000 x 100000"));
    w.file(QStringLiteral("huge-avif.avif"), HostileModernFormats::heifClaiming(avif, QSize(20000, 20000)),
           Expect::Refuse, QSize(), QStringLiteral("AVIF claiming 20000 x 20000 (over the pixel limit)"));
    // Size boxes that lie about a sound picture: the coded picture decides, and a picture that
    // is not the size its container says is damaged (never stretched to the claimed size).
    const QString lyingSize =
        QStringLiteral("the photo is damaged: its picture is %1 x %2 pixels, its header says %3");
    const QString stored = lyingSize.arg(size.width()).arg(size.height());
    w.file(QStringLiteral("avif-size-box-twice-wide.avif"),
           HostileModernFormats::heifClaiming(avif, QSize(size.width() * 2, size.height())), Expect::Refuse,
           QSize(), QStringLiteral("AVIF whose size box says twice its width"));
    w.because(stored.arg(QStringLiteral("%1 x %2").arg(size.width() * 2).arg(size.height())));
    w.file(QStringLiteral("avif-size-box-15000.avif"),
           HostileModernFormats::heifClaiming(avif, QSize(15000, 15000)), Expect::Refuse, QSize(),
           QStringLiteral("AVIF whose size box says 15000 x 15000"));
    w.because(stored.arg(QStringLiteral("15000 x 15000")));
    w.file(QStringLiteral("heic-size-box-half.heic"),
           HostileModernFormats::heifClaiming(heic, QSize(size.width() / 2, size.height() / 2)),
           Expect::Refuse, QSize(), QStringLiteral("HEIC whose size box says half its size"));
    w.because(stored.arg(QStringLiteral("%1 x %2").arg(size.width() / 2).arg(size.height() / 2)));
    // Grid pictures: a sound one of 4 x 3 tiles, and one naming a 64 x 64 tile 65,280 times.
    const QByteArray tile = HostileModernFormats::heif(painted(QSize(64, 64)), Heif::Hevc);
    w.file(QStringLiteral("heic-grid-4x3.heic"),
           HostileModernFormats::heifGrid(tile, QSize(64, 64), 4, 3, size), Expect::Stamp, size,
           QStringLiteral("HEIC grid of 4 x 3 tiles"));
    w.file(QStringLiteral("heic-grid-65280-tiles.heic"),
           HostileModernFormats::heifGrid(tile, QSize(64, 64), 256, 255, size), Expect::Refuse, QSize(),
           QStringLiteral("HEIC grid of 256 x 255 tiles, all one 64 x 64 picture"));
    w.because(QStringLiteral("the picture is larger than allowed: a grid of 65280 tiles, more than 8192"));
    w.file(QStringLiteral("heic-grid-tiles-claiming-1024.heic"),
           HostileModernFormats::heifGrid(tile, QSize(1024, 1024), 16, 16, size), Expect::Refuse, QSize(),
           QStringLiteral("HEIC grid of 16 x 16 tiles whose size boxes claim 1024 x 1024"));
    w.because(QStringLiteral("the picture is larger than allowed: its 256 tiles hold 268435456 pixels for a "
                             "%1 x %2 picture")
                  .arg(size.width())
                  .arg(size.height()));
    w.file(QStringLiteral("huge-webp.webp"),
           HostileModernFormats::webpClaiming(webpLossy, QSize(16383, 16383)), Expect::Refuse, QSize(),
           QStringLiteral("WebP claiming 16383 x 16383 (the format's largest)"));
    w.file(QStringLiteral("heic-noise.heic"), HostileModernFormats::noiseFrom(heic, heic.size() / 2),
           Expect::Either, size, QStringLiteral("HEIC whose second half is noise"));
    w.file(QStringLiteral("avif-noise.avif"), HostileModernFormats::noiseFrom(avif, avif.size() / 2),
           Expect::Either, size, QStringLiteral("AVIF whose second half is noise"));
    w.file(QStringLiteral("heic-zero-data.heic"), HostileModernFormats::heifWithBlankData(heic, '\0'),
           Expect::Refuse, QSize(), QStringLiteral("HEIC whose coded data is zeros"));
    w.file(QStringLiteral("avif-ff-data.avif"), HostileModernFormats::heifWithBlankData(avif, '\xff'),
           Expect::Refuse, QSize(), QStringLiteral("AVIF whose coded data is 0xff bytes"));
    w.file(QStringLiteral("webp-noise.webp"), HostileModernFormats::noiseFrom(webpLossy, 40), Expect::Either,
           size, QStringLiteral("lossy WebP whose data is noise"));
    w.file(QStringLiteral("webp-xmp-250mib.webp"),
           HostileModernFormats::webpWithChunk(webpAnimated, "XMP ", QByteArray(250 * 1024 * 1024, 'x')),
           Expect::Stamp, size, QStringLiteral("animated WebP with a 250 MiB XMP chunk"));
    w.file(QStringLiteral("webp-huge-chunk.webp"), HostileModernFormats::webpWithHugeChunk(webpLossy),
           Expect::Either, size, QStringLiteral("WebP with an EXIF chunk claiming 4 GiB"));

    // Nothing to read.
    for (const QString& name : {QStringLiteral("empty-jpeg.jpg"), QStringLiteral("empty-png.png"),
                                QStringLiteral("empty-tiff.tiff"), QStringLiteral("empty-gif.gif"),
                                QStringLiteral("empty-heic.heic"), QStringLiteral("empty-avif.avif"),
                                QStringLiteral("empty-webp.webp")})
        w.file(name, QByteArray(), Expect::Refuse, QSize(), QStringLiteral("zero-byte file"));
    w.folder(QStringLiteral("folder.jpg"), QStringLiteral("a folder named like a photo"));
    w.file(QStringLiteral("text.jpg"), QByteArray("This is a letter, not a photo.\n"), Expect::Refuse,
           QSize(), QStringLiteral("text named like a photo"));

    // Wrong extensions: the content decides.
    w.file(QStringLiteral("png-named-jpeg.jpg"), png, Expect::Stamp, size, QStringLiteral("PNG named .jpg"));
    w.file(QStringLiteral("jpeg-named-png.png"), jpeg, Expect::Stamp, size,
           QStringLiteral("JPEG named .png"));
    w.file(QStringLiteral("tiff-named-bmp.bmp"), tiff, Expect::Stamp, size,
           QStringLiteral("TIFF named .bmp"));

    // Headers claiming enormous pictures.
    const QSize huge(100000, 100000);
    const QSize jpegHuge(65535, 65535);
    w.file(QStringLiteral("huge-png.png"), HostileBytes::pngClaiming(huge), Expect::Refuse, QSize(),
           QStringLiteral("PNG header claiming 100000 x 100000"));
    w.file(QStringLiteral("huge-bmp.bmp"), HostileBytes::bmpClaiming(huge), Expect::Refuse, QSize(),
           QStringLiteral("BMP header claiming 100000 x 100000"));
    w.file(QStringLiteral("huge-tiff.tiff"), HostileBytes::tiffClaiming(huge), Expect::Refuse, QSize(),
           QStringLiteral("TIFF header claiming 100000 x 100000"));
    w.file(QStringLiteral("huge-gif.gif"), HostileBytes::gifClaiming(jpegHuge), Expect::Refuse, QSize(),
           QStringLiteral("GIF header claiming 65535 x 65535 (the format's largest)"));
    w.file(QStringLiteral("huge-jpeg.jpg"), HostileBytes::withFrameSize(jpeg, jpegHuge), Expect::Refuse,
           QSize(), QStringLiteral("JPEG frame claiming 65535 x 65535 (the format's largest)"));
    w.file(QStringLiteral("huge-wide.png"), HostileBytes::pngClaiming(QSize(100000, 1)), Expect::Either,
           QSize(100000, 1), QStringLiteral("PNG header claiming 100000 x 1, rows missing"));

    // Progressive scans.
    HostileJpeg::Options manyScans = progressive;
    manyScans.refinements = 1; // 2 + 3 x 63 x 2 = 380 scans
    w.file(QStringLiteral("scans-380.jpg"), HostileJpeg::encode(picture, manyScans), Expect::Stamp, size,
           QStringLiteral("progressive JPEG with 380 scans"));
    HostileJpeg::Options tooManyScans = progressive;
    tooManyScans.refinements = 9; // 2 + 3 x 63 x 10 = 1892 scans
    w.file(QStringLiteral("scans-1892.jpg"), HostileJpeg::encode(picture, tooManyScans), Expect::Either, size,
           QStringLiteral("progressive JPEG with 1892 scans"));

    // Colour spaces and depths.
    HostileJpeg::Options colour;
    colour.colour = HostileJpeg::Colour::Cmyk;
    w.file(QStringLiteral("cmyk.jpg"), HostileJpeg::encode(picture, colour), Expect::Stamp, size,
           QStringLiteral("CMYK JPEG with the Adobe marker"));
    colour.colour = HostileJpeg::Colour::Ycck;
    w.file(QStringLiteral("ycck.jpg"), HostileJpeg::encode(picture, colour), Expect::Stamp, size,
           QStringLiteral("YCCK JPEG"));
    colour.colour = HostileJpeg::Colour::Grey;
    w.file(QStringLiteral("grey.jpg"), HostileJpeg::encode(picture, colour), Expect::Stamp, size,
           QStringLiteral("greyscale JPEG"));
    colour.progressive = true;
    w.file(QStringLiteral("grey-progressive.jpg"), HostileJpeg::encode(picture, colour), Expect::Stamp, size,
           QStringLiteral("greyscale progressive JPEG"));
    w.file(QStringLiteral("png16-rgb.png"),
           encodedWithQt(picture.convertToFormat(QImage::Format_RGBX64), "png"), Expect::Stamp, size,
           QStringLiteral("16-bit RGB PNG"));
    w.file(QStringLiteral("png16-grey.png"),
           encodedWithQt(picture.convertToFormat(QImage::Format_Grayscale16), "png"), Expect::Stamp, size,
           QStringLiteral("16-bit grey PNG"));
    const QImage withAlpha = painted(size, true);
    w.file(QStringLiteral("alpha.png"), encodedWithQt(withAlpha, "png"), Expect::Stamp, size,
           QStringLiteral("PNG with alpha"));
    w.file(QStringLiteral("png16-alpha.png"),
           encodedWithQt(withAlpha.convertToFormat(QImage::Format_RGBA64), "png"), Expect::Stamp, size,
           QStringLiteral("16-bit PNG with alpha"));

    // PNG chunks that would take much memory: a 120 MiB text, texts compressed a thousand to
    // one, one alone and forty that each stay under libpng's 8 MB limit for a chunk.
    const QByteArray text120 =
        HostileBytes::pngChunk("tEXt", QByteArray("Comment") + '\0' + QByteArray(120 * 1024 * 1024, 'a'));
    w.file(QStringLiteral("png-text-120mib.png"), HostileBytes::insertAfterHeader(png, text120),
           Expect::Stamp, size, QStringLiteral("PNG with a 120 MiB text chunk"));
    const QByteArray exif120 =
        HostileBytes::pngChunk("eXIf", QByteArray("II*\0\x08\0\0\0", 8) + QByteArray(120 * 1024 * 1024, 'e'));
    w.file(QStringLiteral("png-exif-120mib.png"), HostileBytes::insertAfterHeader(png, exif120),
           Expect::Stamp, size, QStringLiteral("PNG with a 120 MiB EXIF chunk"));
    const QByteArray bomb = HostileBytes::zlibStream(QByteArray(64 * 1024 * 1024, '\0'));
    w.file(QStringLiteral("png-ztxt-bomb.png"),
           HostileBytes::insertAfterHeader(
               png, HostileBytes::pngChunk("zTXt", QByteArray("Comment\0\0", 9) + bomb)),
           Expect::Stamp, size, QStringLiteral("PNG with a zTXt chunk of 64 MiB decompressed"));
    w.file(QStringLiteral("png-itxt-bomb.png"),
           HostileBytes::insertAfterHeader(
               png, HostileBytes::pngChunk("iTXt", QByteArray("Comment\0\1\0\0\0", 12) + bomb)),
           Expect::Stamp, size, QStringLiteral("PNG with a compressed iTXt chunk of 64 MiB decompressed"));
    w.file(QStringLiteral("png-iccp-bomb.png"),
           HostileBytes::insertAfterHeader(
               png, HostileBytes::pngChunk("iCCP", QByteArray("Profile\0\0", 9) + bomb)),
           Expect::Stamp, size, QStringLiteral("PNG with a colour profile of 64 MiB decompressed"));
    const QByteArray sixMegabytes = HostileBytes::zlibStream(QByteArray(6'000'000, ' '));
    QByteArray manyTexts;
    for (int i = 0; i < 40; ++i)
        manyTexts += HostileBytes::pngChunk("zTXt", QByteArray("Comment") + QByteArray::number(i) +
                                                        QByteArray("\0\0", 2) + sixMegabytes);
    w.file(QStringLiteral("png-ztxt-many.png"), HostileBytes::insertAfterHeader(png, manyTexts),
           Expect::Stamp, size, QStringLiteral("PNG with 40 zTXt chunks of 6 MB decompressed each"));

    // Damaged EXIF blocks on a sound picture: stamped, the block carried over as it is.
    const struct
    {
        HostileBytes::ExifDamage damage;
        const char* name;
    } damages[] = {
        {HostileBytes::ExifDamage::BadByteOrder, "exif-byte-order.jpg"},
        {HostileBytes::ExifDamage::DirectoryOutside, "exif-directory-outside.jpg"},
        {HostileBytes::ExifDamage::HugeEntryCount, "exif-entry-count.jpg"},
        {HostileBytes::ExifDamage::ValueOutside, "exif-value-outside.jpg"},
        {HostileBytes::ExifDamage::DirectoryLoop, "exif-directory-loop.jpg"},
        {HostileBytes::ExifDamage::CutShort, "exif-cut-short.jpg"},
    };
    for (const auto& d : damages) {
        const QByteArray segment = HostileBytes::jpegSegment(kApp1, HostileBytes::damagedExifBlock(d.damage));
        w.file(QString::fromLatin1(d.name), HostileBytes::insertAfterStart(jpeg, segment), Expect::Stamp,
               size, QStringLiteral("damaged EXIF block"), true);
    }

    // Every orientation value 0..9 on a wide picture: 5 to 8 stand it upright.
    for (int orientation = 0; orientation <= 9; ++orientation) {
        const QByteArray segment = HostileBytes::jpegSegment(kApp1, HostileBytes::exifBlock(orientation));
        const QSize upright = orientation >= 5 && orientation <= 8 ? size.transposed() : size;
        w.file(QStringLiteral("orientation-%1.jpg").arg(orientation),
               HostileBytes::insertAfterStart(jpeg, segment), Expect::Stamp, upright,
               QStringLiteral("EXIF orientation %1").arg(orientation), true);
    }

    // An EXIF block of almost the largest size a segment holds, orientation 6.
    const QByteArray largeExif = HostileBytes::exifBlock(6, 65000);
    w.file(QStringLiteral("exif-65k.jpg"),
           HostileBytes::insertAfterStart(jpeg, HostileBytes::jpegSegment(kApp1, largeExif)), Expect::Stamp,
           size.transposed(), QStringLiteral("EXIF block of %1 bytes").arg(largeExif.size()), true);

    // Extended XMP: the main packet names a GUID, three extension segments carry 150 KB.
    const QByteArray guid("0123456789ABCDEF0123456789ABCDEF");
    const QByteArray extended = QByteArray(150000, 'x').replace(0, 9, "<x:xmpmeta");
    QByteArray segments = HostileBytes::jpegSegment(
        kApp1, QByteArray("http://ns.adobe.com/xap/1.0/\0", 29) +
                   "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/"
                   "22-rdf-syntax-ns#'><rdf:Description xmlns:xmpNote='http://ns.adobe.com/xmp/note/' "
                   "xmpNote:HasExtendedXMP='" +
                   guid + "'/></rdf:RDF></x:xmpmeta>");
    const QByteArray extensionSignature("http://ns.adobe.com/xmp/extension/\0", 35);
    constexpr int kChunk = 65000;
    for (qsizetype offset = 0; offset < extended.size(); offset += kChunk) {
        QByteArray data = extensionSignature + guid;
        const quint32 total = quint32(extended.size());
        const quint32 at = quint32(offset);
        for (quint32 value : {total, at}) {
            for (int shift = 24; shift >= 0; shift -= 8)
                data.append(char((value >> shift) & 0xFF));
        }
        data += extended.mid(offset, kChunk);
        segments += HostileBytes::jpegSegment(kApp1, data);
    }
    w.file(QStringLiteral("xmp-extended.jpg"), HostileBytes::insertAfterStart(jpeg, segments), Expect::Stamp,
           size, QStringLiteral("extended XMP in three segments"), true);

    return w.entries();
}

} // namespace HostileImageSet
