// Photos as phones and the web have them: HEIC, AVIF and WebP decode to the pixels Debian's own
// tools decode, stand as their container says, carry their EXIF, XMP and ICC profile into every
// output, and get a watermark whose colours a colour-managed viewer shows as chosen.
//
// The test files are made here with Debian's tools (heif-enc, cwebp, img2webp, exiftool,
// ImageMagick) and Debian's ICC profiles (colord-data, icc-profiles-free); the HEIC file with a
// rotation box is written through libheif itself, whose heif-enc cannot ask for one.
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTest>
#include <QTransform>

#include <lcms2.h>
#include <libheif/heif.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "RenderTestSupport.h"
#include "model/LayerFiles.h"
#include "model/WatermarkTemplate.h"
#include "render/RenderRequest.h"
#include "services/imaging/PhotoDecoder.h"
#include "services/imaging/text/ApplicationFonts.h"
#include "support/PixelDifference.h"
#include "support/TempDataFolder.h"
#include "support/ToolRun.h"

using namespace RenderTestSupport;

namespace {

const QString kAdobeRgb = QStringLiteral("/usr/share/color/icc/colord/AdobeRGB1998.icc");
const QString kSrgb = QStringLiteral("/usr/share/color/icc/colord/sRGB.icc");
const QString kTemplate = QStringLiteral("Stamp");
const QString kBlank = QStringLiteral("Blank");
// The watermark's colour as chosen (sRGB).
constexpr QRgb kChosen = 0xFF993A1D; // (153, 58, 29)

struct Run
{
    bool ok = false;
    QByteArray out;
    QString describe;
};

Run run(const QString& program, const QStringList& arguments)
{
    const ToolResult tool = runTool(program, arguments, 120);
    Run result;
    if (!tool.started) {
        result.describe =
            QStringLiteral("%1 cannot be started (scripts/install-deps.sh installs it)").arg(program);
        return result;
    }
    result.out = tool.out;
    result.ok = tool.succeeded();
    result.describe = QStringLiteral("%1 %2: exit %3, %4")
                          .arg(program, arguments.join(QLatin1Char(' ')))
                          .arg(tool.exitCode)
                          .arg(QString::fromLocal8Bit(tool.err).trimmed());
    return result;
}

#define RUN(program, ...)                                                                                    \
    do {                                                                                                     \
        const Run r_ = run(QStringLiteral(program), QStringList{__VA_ARGS__});                               \
        QVERIFY2(r_.ok, qPrintable(r_.describe));                                                            \
    } while (false)

// A picture whose four quarters differ, so that every turn and mirror shows, with smooth
// colours that lossy codecs keep closely.
QImage quarters(const QSize& size, bool alpha = false)
{
    QImage image(size, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const int w = size.width(), h = size.height();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool right = x >= w / 2, bottom = y >= h / 2;
            const int shade = 40 + 60 * x / w;
            QRgb p = !right && !bottom  ? qRgb(200, shade, 40)
                     : right && !bottom ? qRgb(40, 80, 160 + shade / 2)
                     : !right           ? qRgb(50, 150 + shade / 2, 60)
                                        : qRgb(230, 230, 90 + shade);
            if (alpha)
                p = qRgba(qRed(p), qGreen(p), qBlue(p), y < h / 4 ? 0 : y < h / 2 ? 128 : 255);
            image.setPixel(x, y, p);
        }
    }
    return image;
}

// The picture as an interleaved 8-bit RGB libheif image (the caller releases it).
heif_image* heifImageOf(const QImage& picture)
{
    heif_image* image = nullptr;
    heif_image_create(picture.width(), picture.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                      &image);
    heif_image_add_plane(image, heif_channel_interleaved, picture.width(), picture.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            uint8_t* out = plane + y * stride + x * 3;
            out[0] = uint8_t(qRed(p));
            out[1] = uint8_t(qGreen(p));
            out[2] = uint8_t(qBlue(p));
        }
    }
    return image;
}

// Writes `picture` through libheif with the encoder for `compression` at `quality`: `prepare`
// sets what the image and the encoding options carry besides the pixels, `annotate` (when
// given) adds metadata to the encoded item. Returns the problem, empty when written.
QString writeHeifFile(const QString& path, const QImage& picture, heif_compression_format compression,
                      int quality, const std::function<void(heif_image*, heif_encoding_options*)>& prepare,
                      const std::function<heif_error(heif_context*, heif_image_handle*)>& annotate = {})
{
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_error e = heif_context_get_encoder_for_format(context, compression, &encoder);
    if (e.code != heif_error_Ok) {
        heif_context_free(context);
        return QStringLiteral("no %1 encoder: %2")
            .arg(compression == heif_compression_AV1 ? QStringLiteral("AV1") : QStringLiteral("HEVC"),
                 QString::fromUtf8(e.message));
    }
    heif_encoder_set_lossy_quality(encoder, quality);
    heif_image* image = heifImageOf(picture);
    heif_encoding_options* options = heif_encoding_options_alloc();
    prepare(image, options);
    heif_image_handle* handle = nullptr;
    e = heif_context_encode_image(context, image, encoder, options, &handle);
    if (e.code == heif_error_Ok && annotate)
        e = annotate(context, handle);
    if (e.code == heif_error_Ok)
        e = heif_context_write_to_file(context, QFile::encodeName(path).constData());
    const QString problem = e.code == heif_error_Ok ? QString() : QString::fromUtf8(e.message);
    if (handle)
        heif_image_handle_release(handle);
    heif_encoding_options_free(options);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return problem;
}

// Writes a HEIC file: the picture, an EXIF block with `exifOrientation`, and `transform` as the
// container's rotation/mirror boxes (an EXIF orientation value).
QString writeHeicWithTransform(const QString& path, const QImage& picture, int transform, int exifOrientation)
{
    const auto orient = [transform](heif_image*, heif_encoding_options* options) {
        options->image_orientation = heif_orientation(transform);
    };
    // "Exif\0\0" is not part of the item; a little-endian TIFF with one orientation entry.
    const auto addExif = [exifOrientation](heif_context* context, heif_image_handle* handle) {
        QByteArray tiff("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18);
        tiff.append(char(exifOrientation)).append(7, '\0');
        return heif_context_add_exif_metadata(context, handle, tiff.constData(), int(tiff.size()));
    };
    return writeHeifFile(path, picture, heif_compression_HEVC, 95, orient, addExif);
}

// Writes an AVIF file whose colour an nclx box gives (heif-enc 1.15 does not write the code
// points it is given).
QString writeAvifWithNclx(const QString& path, const QImage& picture, int primaries, int transfer)
{
    heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
    heif_nclx_color_profile_set_color_primaries(nclx, uint16_t(primaries));
    heif_nclx_color_profile_set_transfer_characteristics(nclx, uint16_t(transfer));
    heif_nclx_color_profile_set_matrix_coefficients(nclx, 6);
    nclx->full_range_flag = 1;
    const QString problem = writeHeifFile(path, picture, heif_compression_AV1, 90,
                                          [nclx](heif_image* image, heif_encoding_options* options) {
                                              heif_image_set_nclx_color_profile(image, nclx);
                                              options->output_nclx_profile = nclx;
                                          });
    heif_nclx_color_profile_free(nclx);
    return problem;
}

// An RGB profile (Rec. 709 primaries, gamma 2.2) whose tone curves are tables of 12000 entries:
// about 72 KB, more than one JPEG segment holds. Written through LittleCMS.
bool writeLargeRgbProfile(const QString& path)
{
    // Three curves of slightly different gammas, so that none is stored as a link to another.
    cmsToneCurve* curves[3] = {};
    for (int c = 0; c < 3; ++c) {
        std::vector<cmsUInt16Number> table(12000);
        for (size_t i = 0; i < table.size(); ++i)
            table[i] = cmsUInt16Number(
                std::lround(65535.0 * std::pow(double(i) / double(table.size() - 1), 2.19 + 0.01 * c)));
        curves[c] = cmsBuildTabulatedToneCurve16(nullptr, cmsUInt32Number(table.size()), table.data());
    }
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.30, 0.60, 1.0}, {0.15, 0.06, 1.0}};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurveTriple(curves);
    cmsUInt32Number size = 0;
    bool ok = profile && cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray bytes(qsizetype(size), '\0');
    ok = ok && cmsSaveProfileToMem(profile, bytes.data(), &size);
    if (profile)
        cmsCloseProfile(profile);
    QFile file(path);
    return ok && size > 65535 && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

int exifOrientation(const QString& path)
{
    const Run r = run(QStringLiteral("exiftool"), {QStringLiteral("-n"), QStringLiteral("-s3"),
                                                   QStringLiteral("-IFD0:Orientation"), path});
    return r.ok ? r.out.trimmed().toInt() : -1;
}

// Display P3 as a profile of the test's own (P3 primaries, D65, the sRGB curve), built by
// LittleCMS, or sRGB.
cmsHPROFILE referenceProfile(bool p3)
{
    if (!p3)
        return cmsCreate_sRGBProfile();
    const cmsFloat64Number srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgbCurve);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.680, 0.320, 1.0}, {0.265, 0.690, 1.0}, {0.150, 0.060, 1.0}};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    return profile;
}

// Every pixel of the picture in CIE Lab, through the profile (which is closed).
std::vector<cmsCIELab> toLab(const QImage& picture, cmsHPROFILE profile)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM transform =
        cmsCreateTransform(profile, TYPE_RGB_8, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
    std::vector<cmsCIELab> out(size_t(rgb.width()) * size_t(rgb.height()));
    for (int y = 0; transform && y < rgb.height(); ++y)
        cmsDoTransform(transform, rgb.constScanLine(y), out.data() + size_t(y) * size_t(rgb.width()),
                       cmsUInt32Number(rgb.width()));
    if (transform)
        cmsDeleteTransform(transform);
    cmsCloseProfile(lab);
    cmsCloseProfile(profile);
    return out;
}

// Colours well inside sRGB's gamut (and so Display P3's), in smooth gradients.
QImage mutedColours(const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y,
                           qRgb(70 + 110 * x / size.width(), 180 - 100 * y / size.height(),
                                90 + 60 * (x + y) / (size.width() + size.height())));
    return image;
}

} // namespace

class PhotoFormatsTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempDataFolder> m_data;
    QString m_files; // the photos made by initTestCase
    int m_round = 0;

    QString file(const QString& name) const { return m_files + QLatin1Char('/') + name; }

    // Stamps `source` into the output folder in `format`; the output's path.
    QString stamp(const QString& source, int format, const QString& templateName, const QString& folder)
    {
        const WatermarkCompositor::Result result = WatermarkCompositor::render(
            batchRequest(source, templateName, m_data->root() + QLatin1Char('/') + folder, format));
        if (!result.outcome.ok())
            qWarning("%s: %s", qPrintable(source), qPrintable(result.outcome.sentence()));
        return result.outcome.ok() ? result.outcome.outputPath : QString();
    }

private slots:
    void initTestCase()
    {
        registerApplicationFonts();
        for (const QString& profile : {kAdobeRgb, kSrgb})
            QVERIFY2(QFileInfo::exists(profile),
                     qPrintable(profile + QStringLiteral(" is missing (scripts/install-deps.sh)")));
        m_data = std::make_unique<TempDataFolder>();
        m_files = m_data->root() + QStringLiteral("/files");
        QVERIFY(QDir().mkpath(m_files));
        QVERIFY(QDir().mkpath(m_data->templates()));

        // Plain pictures for the decoding comparison.
        const QImage picture = quarters(QSize(96, 64));
        QVERIFY(picture.save(file("plain.png")));
        QVERIFY(quarters(QSize(96, 64), true).save(file("alpha.png")));
        QVERIFY(quarters(QSize(96, 64)).mirrored(true, false).save(file("frame2.png")));
        RUN("heif-enc", "-q", "90", "-o", file("plain.heic"), file("plain.png"));
        RUN("heif-enc", "-q", "90", "-o", file("plain.avif"), file("plain.png"));
        RUN("heif-enc", "-q", "90", "-o", file("alpha.avif"), file("alpha.png"));
        RUN("cwebp", "-quiet", "-q", "80", file("plain.png"), "-o", file("lossy.webp"));
        RUN("cwebp", "-quiet", "-lossless", file("plain.png"), "-o", file("lossless.webp"));
        RUN("cwebp", "-quiet", "-q", "80", "-alpha_q", "100", file("alpha.png"), "-o", file("alpha.webp"));
        RUN("img2webp", "-lossless", file("plain.png"), file("frame2.png"), "-o", file("animated.webp"));

        // Photos with camera metadata: EXIF (orientation 6), XMP and the Adobe RGB profile.
        QVERIFY(picture.save(file("camera.jpg"), "JPEG", 95));
        RUN("exiftool", "-q", "-overwrite_original", "-EXIF:Orientation#=6", "-EXIF:Make=LumoraCam",
            "-GPS:GPSLatitude=48.5", "-GPS:GPSLatitudeRef=N", "-XMP-dc:Title=LumoraTitle",
            "-IPTC:Keywords=LumoraKeyword", "-icc_profile<=" + kAdobeRgb, file("camera.jpg"));
        RUN("heif-enc", "-q", "90", "-o", file("camera.heic"), file("camera.jpg"));
        RUN("heif-enc", "-q", "90", "-o", file("camera.avif"), file("camera.jpg"));
        RUN("cwebp", "-quiet", "-q", "90", "-metadata", "all", file("camera.jpg"), "-o", file("camera.webp"));
        // PNG and TIFF photos are never turned: their orientation 6 must become 1 in the outputs.
        QVERIFY(picture.save(file("camera.png")));
        QVERIFY(picture.save(file("camera.tiff")));
        for (const QString& name : {QStringLiteral("camera.png"), QStringLiteral("camera.tiff")})
            RUN("exiftool", "-q", "-overwrite_original", "-EXIF:Orientation#=6", "-EXIF:Make=LumoraCam",
                "-XMP-dc:Title=LumoraTitle", "-icc_profile<=" + kAdobeRgb, file(name));
        // A profile larger than one JPEG segment holds, carried by a HEIC file.
        QVERIFY(writeLargeRgbProfile(file("large.icc")));
        QVERIFY(picture.save(file("large-profile.jpg"), "JPEG", 95));
        RUN("exiftool", "-q", "-overwrite_original", "-icc_profile<=" + file("large.icc"),
            file("large-profile.jpg"));
        RUN("heif-enc", "-q", "90", "-o", file("large-profile.heic"), file("large-profile.jpg"));

        // A grey photo's profile on an RGB PNG (libpng takes it, as readers do).
        QVERIFY(picture.convertToFormat(QImage::Format_Grayscale8).save(file("grey-profile.png")));
        RUN("exiftool", "-q", "-overwrite_original", "-icc_profile<=/usr/share/color/icc/Gray.icc",
            file("grey-profile.png"));

        // The HEIC file with a rotation box (turned a quarter clockwise), EXIF orientation 6 too.
        const QString problem = writeHeicWithTransform(file("rotated.heic"), picture, 6, 6);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        // Debian's decoders' own view of the files, transformations applied.
        for (const QString& name :
             {QStringLiteral("plain"), QStringLiteral("rotated"), QStringLiteral("camera")}) {
            RUN("heif-convert", file(name + QStringLiteral(".heic")),
                file(name + QStringLiteral("-heic-tool.png")));
        }
        RUN("heif-convert", file("plain.avif"), file("plain-avif-tool.png"));
        RUN("heif-convert", file("alpha.avif"), file("alpha-avif-tool.png"));
        for (const QString& name : {QStringLiteral("lossy"), QStringLiteral("lossless"),
                                    QStringLiteral("alpha"), QStringLiteral("camera")})
            RUN("dwebp", "-quiet", file(name + QStringLiteral(".webp")), "-o",
                file(name + QStringLiteral("-webp-tool.png")));

        // Display P3 given by an nclx box (primaries 12, sRGB transfer), as AVIF files have it.
        for (const auto& [name, primaries] :
             {std::pair{"p3-nclx.avif", 12}, std::pair{"srgb-nclx.avif", 1}}) {
            const QString made =
                writeAvifWithNclx(file(QLatin1String(name)), mutedColours(QSize(96, 64)), primaries, 13);
            QVERIFY2(made.isEmpty(), qPrintable(made));
        }

        writeTemplate(kBlank, {});
    }

    void cleanupTestCase() { m_data.reset(); }

    // Each format decodes to the pixels of the Debian tool's own decoder.
    void decodesAsTheToolDoes_data()
    {
        QTest::addColumn<QString>("photo");
        QTest::addColumn<QString>("reference");
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("tolerance");
        QTest::newRow("HEIC") << QStringLiteral("plain.heic") << QStringLiteral("plain-heic-tool.png")
                              << int(PhotoDecoder::Format::Heif) << 2;
        QTest::newRow("AVIF") << QStringLiteral("plain.avif") << QStringLiteral("plain-avif-tool.png")
                              << int(PhotoDecoder::Format::Avif) << 2;
        QTest::newRow("AVIF with alpha")
            << QStringLiteral("alpha.avif") << QStringLiteral("alpha-avif-tool.png")
            << int(PhotoDecoder::Format::Avif) << 2;
        QTest::newRow("lossy WebP") << QStringLiteral("lossy.webp") << QStringLiteral("lossy-webp-tool.png")
                                    << int(PhotoDecoder::Format::Webp) << 0;
        QTest::newRow("lossless WebP") << QStringLiteral("lossless.webp") << QStringLiteral("plain.png")
                                       << int(PhotoDecoder::Format::Webp) << 0;
        QTest::newRow("WebP with alpha")
            << QStringLiteral("alpha.webp") << QStringLiteral("alpha-webp-tool.png")
            << int(PhotoDecoder::Format::Webp) << 0;
        // The first frame of a lossless animation is the first picture given to img2webp.
        QTest::newRow("animated WebP") << QStringLiteral("animated.webp") << QStringLiteral("plain.png")
                                       << int(PhotoDecoder::Format::Webp) << 0;
    }
    void decodesAsTheToolDoes()
    {
        QFETCH(QString, photo);
        QFETCH(QString, reference);
        QFETCH(int, format);
        QFETCH(int, tolerance);
        PhotoDecoder decoder;
        const Outcome opened = decoder.open(file(photo));
        QVERIFY2(opened, qPrintable(opened.sentence()));
        QCOMPARE(int(decoder.format()), format);
        QCOMPARE(decoder.storedSize(), QSize(96, 64));
        QImage decoded;
        const Outcome status = decoder.decode(decoded, QSize(), true);
        QVERIFY2(status, qPrintable(status.sentence()));
        const QImage expected(file(reference));
        QVERIFY(!expected.isNull());
        QCOMPARE(decoded.hasAlphaChannel(), expected.hasAlphaChannel());
        const int difference = PixelDifference::largest(decoded, expected);
        QVERIFY2(difference <= tolerance, qPrintable(QStringLiteral("differs by %1").arg(difference)));

        // One pixel over the limit is refused from the header.
        PhotoDecoder limited;
        limited.setPixelLimit(96 * 64 - 1);
        QCOMPARE(limited.open(file(photo)).sentence(),
                 QStringLiteral("image is 96 x 64 pixels, more than the limit of 6143 pixels"));
    }

    // HEIF stands as its container says (libheif applies the rotation box once; the EXIF
    // orientation is not applied again, and a JPEG output says 1); WebP is turned by its EXIF
    // orientation and its JPEG output stored as the photo was, orientation kept, as for JPEG.
    void standsAsTheContainerSays_data()
    {
        QTest::addColumn<QString>("photo");
        QTest::addColumn<QString>("reference"); // the tool's decode, as stored in the file
        QTest::addColumn<int>("turn");          // the quarter turns clockwise that make it upright
        QTest::addColumn<QSize>("outputSize");  // the JPEG output's stored size
        QTest::addColumn<int>("outputOrientation");
        QTest::newRow("HEIC, EXIF orientation 6, no rotation box")
            << QStringLiteral("camera.heic") << QStringLiteral("camera-heic-tool.png") << 0 << QSize(96, 64)
            << 1;
        QTest::newRow("HEIC, rotation box and EXIF orientation 6")
            << QStringLiteral("rotated.heic") << QStringLiteral("rotated-heic-tool.png") << 0 << QSize(64, 96)
            << 1;
        QTest::newRow("WebP, EXIF orientation 6")
            << QStringLiteral("camera.webp") << QStringLiteral("camera-webp-tool.png") << 1 << QSize(96, 64)
            << 6;
    }
    void standsAsTheContainerSays()
    {
        QFETCH(QString, photo);
        QFETCH(QString, reference);
        QFETCH(int, turn);
        QFETCH(QSize, outputSize);
        QFETCH(int, outputOrientation);
        QImage expected(file(reference));
        QVERIFY(!expected.isNull());
        expected = expected.transformed(QTransform().rotate(90 * turn));

        PhotoDecoder decoder;
        QVERIFY(decoder.open(file(photo)));
        QImage upright;
        QVERIFY(decoder.decode(upright, QSize(), true));
        QCOMPARE(upright.size(), expected.size());
        const int difference = PixelDifference::largest(upright, expected);
        QVERIFY2(difference <= 2, qPrintable(QStringLiteral("differs by %1").arg(difference)));

        const QString output = stamp(file(photo), OutputSettings::Jpeg, kBlank, QStringLiteral("turns"));
        QVERIFY(!output.isEmpty());
        QCOMPARE(QImage(output).size(), outputSize);
        QCOMPARE(exifOrientation(output), outputOrientation);
    }

    // EXIF (GPS included), XMP, IPTC and the ICC profile reach every output that can hold them
    // (read back by exiftool): JPEG all (the profile whole, over several segments when large),
    // TIFF all, PNG and WebP all but IPTC, which they have no place for.
    void metadataReachesTheOutputs_data()
    {
        QTest::addColumn<QString>("photo");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<bool>("exif");
        QTest::addColumn<bool>("xmp");
        QTest::addColumn<bool>("iptc");
        const struct
        {
            int format;
            const char* name;
            bool iptc;
        } outputs[] = {{OutputSettings::Jpeg, "JPEG", true},
                       {OutputSettings::Png, "PNG", false},
                       {OutputSettings::Tiff, "TIFF", true},
                       {OutputSettings::Webp, "WebP", false}};
        for (const char* source : {"jpg", "heic", "avif", "webp", "png", "tiff"}) {
            for (const auto& out : outputs) {
                // IPTC comes with JPEG photos only.
                const bool jpeg = std::strcmp(source, "jpg") == 0;
                if (jpeg && out.format == OutputSettings::Jpeg)
                    continue;
                QTest::addRow("%s to %s", source, out.name)
                    << QStringLiteral("camera.%1").arg(QLatin1String(source)) << out.format << kAdobeRgb
                    << true << true << (jpeg && out.iptc);
            }
        }
        QTest::newRow("72 KB profile, HEIC to JPEG") << "large-profile.heic" << int(OutputSettings::Jpeg)
                                                     << file("large.icc") << false << false << false;
        // A grey profile does not describe the RGB pixels of an output: left out.
        QTest::newRow("grey profile, PNG to PNG")
            << QStringLiteral("grey-profile.png") << int(OutputSettings::Png) << QString() << false << false
            << false;
    }
    void metadataReachesTheOutputs()
    {
        QFETCH(QString, photo);
        QFETCH(int, format);
        QFETCH(QString, profile);
        QFETCH(bool, exif);
        QFETCH(bool, xmp);
        QFETCH(bool, iptc);
        const QString output =
            stamp(file(photo), format, kBlank, QStringLiteral("metadata-%1").arg(++m_round));
        QVERIFY(!output.isEmpty());

        const Run icc =
            run(QStringLiteral("exiftool"), {QStringLiteral("-b"), QStringLiteral("-ICC_Profile"), output});
        QVERIFY2(icc.ok, qPrintable(icc.describe));
        QFile expected(profile);
        QVERIFY(profile.isEmpty() || expected.open(QIODevice::ReadOnly));
        QVERIFY2(icc.out == expected.readAll(), "the output's ICC profile is not the photo's");
        const Run tags = run(QStringLiteral("exiftool"),
                             {QStringLiteral("-s3"), QStringLiteral("-n"), QStringLiteral("-EXIF:Make"),
                              QStringLiteral("-GPS:GPSLatitude"), QStringLiteral("-XMP-dc:Title"),
                              QStringLiteral("-IPTC:Keywords"), output});
        QVERIFY2(tags.ok, qPrintable(tags.describe));
        QCOMPARE(tags.out.contains("LumoraCam"), exif);
        QCOMPARE(tags.out.contains("48.5"),
                 exif && !photo.endsWith(QLatin1String(".png")) && !photo.endsWith(QLatin1String(".tiff")));
        QCOMPARE(tags.out.contains("LumoraTitle"), xmp);
        QCOMPARE(tags.out.contains("LumoraKeyword"), iptc);
        if (exif) // the pixels stand upright in every output but a JPEG of a WebP photo
            QCOMPARE(exifOrientation(output),
                     format == OutputSettings::Jpeg && photo.endsWith(QLatin1String(".webp")) ? 6 : 1);

        if (format == OutputSettings::Webp) {
            const QString decoded = output + QStringLiteral(".png");
            RUN("dwebp", "-quiet", output, "-o", decoded);
            QCOMPARE(QImage(decoded).size(), QImage(output).size());
            QVERIFY(TempDataFolder::read(output).startsWith("RIFF"));
        }
    }

    // A photo whose colour an nclx box gives: its output, read back through the profile it
    // carries (or as sRGB for BMP, which gets the pixels converted), shows the photo's colours as
    // the box describes them (ΔE76 at most 1 on average, 3 at the 95th percentile; lossy WebP's
    // own loss on so small a picture is larger, and it carries the profile as every other output
    // does). An sRGB box gives an output without a profile, as before.
    void nclxColourReachesTheOutputs_data()
    {
        QTest::addColumn<QString>("photo");
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("p3");
        for (const auto& [format, name] :
             {std::pair{int(OutputSettings::Jpeg), "JPEG"}, std::pair{int(OutputSettings::Png), "PNG"},
              std::pair{int(OutputSettings::Tiff), "TIFF"}, std::pair{int(OutputSettings::Bmp), "BMP"}})
            QTest::addRow("Display P3 AVIF to %s", name) << "p3-nclx.avif" << format << true;
        QTest::newRow("sRGB nclx AVIF to PNG") << "srgb-nclx.avif" << int(OutputSettings::Png) << false;
    }
    void nclxColourReachesTheOutputs()
    {
        QFETCH(QString, photo);
        QFETCH(int, format);
        QFETCH(bool, p3);
        QImage source;
        QVERIFY(PhotoDecoder::load(file(photo), source));
        const std::vector<cmsCIELab> expected = toLab(source, referenceProfile(p3));

        const QString output = stamp(file(photo), format, kBlank, QStringLiteral("nclx-%1").arg(++m_round));
        QVERIFY(!output.isEmpty());
        PhotoDecoder decoder;
        QImage written;
        QVERIFY(decoder.open(output) && decoder.decode(written));
        const QByteArray icc = decoder.embeddedMetadata().icc;
        QCOMPARE(icc.isEmpty(), !p3 || format == OutputSettings::Bmp);
        cmsHPROFILE profile = icc.isEmpty()
                                  ? cmsCreate_sRGBProfile()
                                  : cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size()));
        QVERIFY(profile);
        const std::vector<cmsCIELab> seen = toLab(written, profile);
        QCOMPARE(seen.size(), expected.size());
        std::vector<double> differences;
        for (size_t i = 0; i < seen.size(); ++i)
            differences.push_back(cmsDeltaE(&seen[i], &expected[i]));
        std::sort(differences.begin(), differences.end());
        double mean = 0;
        for (double d : differences)
            mean += d / double(differences.size());
        const double p95 = differences[differences.size() * 95 / 100];
        QVERIFY2(
            mean <= 1.0 && p95 <= 3.0,
            qPrintable(
                QStringLiteral("ΔE76 mean %1, 95th percentile %2").arg(mean, 0, 'f', 2).arg(p95, 0, 'f', 2)));
    }

    // The watermark's chosen sRGB colours, drawn into a photo with another profile, read back as
    // chosen once the output is converted to sRGB from its profile (ImageMagick with LittleCMS),
    // for text and picture layers alike. Photos without a profile or with sRGB draw exactly as
    // before.
    void watermarkColoursInThePhotoProfile_data()
    {
        QTest::addColumn<QString>("profile"); // the photo's; empty for none
        QTest::addColumn<QString>("photoFormat");
        QTest::addColumn<int>("format");
        QTest::newRow("Adobe RGB JPEG to JPEG") << kAdobeRgb << "jpg" << int(OutputSettings::Jpeg);
        QTest::newRow("Adobe RGB HEIC to PNG") << kAdobeRgb << "heic" << int(OutputSettings::Png);
        QTest::newRow("Adobe RGB PNG to WebP") << kAdobeRgb << "png" << int(OutputSettings::Webp);
        QTest::newRow("sRGB profile JPEG to PNG") << kSrgb << "jpg" << int(OutputSettings::Png);
        QTest::newRow("no profile JPEG to PNG") << QString() << "jpg" << int(OutputSettings::Png);
    }
    void watermarkColoursInThePhotoProfile()
    {
        QFETCH(QString, profile);
        QFETCH(QString, photoFormat);
        QFETCH(int, format);

        // A grey photo; the layers: thick text and a square picture of the chosen colour.
        const QString folder = m_files + QStringLiteral("/colour-%1").arg(++m_round);
        QVERIFY(QDir().mkpath(folder));
        QImage grey(320, 200, QImage::Format_RGB32);
        grey.fill(qRgb(128, 128, 128));
        const QString base = folder + QStringLiteral("/photo.png");
        QVERIFY(grey.save(base));
        QString photo = base;
        if (photoFormat == QLatin1String("jpg")) {
            photo = folder + QStringLiteral("/photo.jpg");
            QVERIFY(grey.save(photo, "JPEG", 100));
        }
        if (!profile.isEmpty())
            RUN("exiftool", "-q", "-overwrite_original", "-icc_profile<=" + profile, photo);
        if (photoFormat == QLatin1String("heic")) {
            photo = folder + QStringLiteral("/photo.heic");
            RUN("heif-enc", "-q", "95", "-o", photo, base);
        }

        const QString square = folder + QStringLiteral("/square.png");
        QImage squareImage(40, 40, QImage::Format_ARGB32);
        squareImage.fill(kChosen);
        QVERIFY(squareImage.save(square));
        WatermarkConf text = plainTextLayer(QStringLiteral("HH"));
        text.Font.lfHeight = -120;
        text.Font.lfWeight = 900;
        text.TextColor = qRed(kChosen) | qGreen(kChosen) << 8 | qBlue(kChosen) << 16;
        WatermarkConf picture = pictureOnlyLayer(square);
        picture.ImageLocation = 8; // bottom right
        writeTemplate(kTemplate, {{QStringLiteral("text"), text}, {QStringLiteral("picture"), picture}});

        const QString output = stamp(photo, format, kTemplate, QStringLiteral("colour"));
        QVERIFY(!output.isEmpty());
        // The output as a colour-managed viewer shows it, in sRGB.
        const QString shown = output + QStringLiteral("-srgb.png");
        if (profile.isEmpty())
            QVERIFY(QImage(output).save(shown));
        else
            RUN("convert", output, "-profile", kSrgb, "-depth", "8", shown);
        const QImage seen = QImage(shown).convertToFormat(QImage::Format_RGB32);
        QVERIFY(!seen.isNull());

        // Every pixel well inside the glyphs and the square: those whose 7 x 7 neighbourhood is
        // all far from the grey photo.
        const auto isInk = [&](int x, int y) {
            const QRgb p = seen.pixel(x, y);
            return std::abs(qRed(p) - 128) + std::abs(qGreen(p) - 128) + std::abs(qBlue(p) - 128) > 60;
        };
        int inside = 0;
        qint64 sum[3] = {0, 0, 0};
        for (int y = 3; y < seen.height() - 3; ++y) {
            for (int x = 3; x < seen.width() - 3; ++x) {
                bool interior = true;
                for (int dy = -3; dy <= 3 && interior; ++dy)
                    for (int dx = -3; dx <= 3 && interior; ++dx)
                        interior = isInk(x + dx, y + dy);
                if (!interior)
                    continue;
                ++inside;
                const QRgb p = seen.pixel(x, y);
                sum[0] += qRed(p);
                sum[1] += qGreen(p);
                sum[2] += qBlue(p);
            }
        }
        QVERIFY2(inside > 1000, qPrintable(QStringLiteral("only %1 watermark pixels").arg(inside)));
        // The average over the watermark, so that the lossy codecs' noise does not count.
        const int mean[3] = {int(sum[0] / inside), int(sum[1] / inside), int(sum[2] / inside)};
        const QString seenAs =
            QStringLiteral("the watermark is seen as (%1, %2, %3)").arg(mean[0]).arg(mean[1]).arg(mean[2]);
        QVERIFY2(std::abs(mean[0] - qRed(kChosen)) <= 3 && std::abs(mean[1] - qGreen(kChosen)) <= 3 &&
                     std::abs(mean[2] - qBlue(kChosen)) <= 3,
                 qPrintable(seenAs));
        // The square's corner pixel, at the bottom right.
        const QRgb corner = seen.pixel(seen.width() - 20, seen.height() - 20);
        QVERIFY2(std::abs(qRed(corner) - qRed(kChosen)) <= 3 && std::abs(qBlue(corner) - qBlue(kChosen)) <= 3,
                 qPrintable(QStringLiteral("picture layer seen as %1").arg(corner, 8, 16)));

        // Without a profile other than sRGB the output is exactly what it is without any.
        if (profile != kAdobeRgb) {
            const QString plain = folder + QStringLiteral("/plain.jpg");
            QVERIFY(grey.save(plain, "JPEG", 100));
            const QString reference = stamp(plain, format, kTemplate, QStringLiteral("colour-reference"));
            QVERIFY(!reference.isEmpty());
            QCOMPARE(PixelDifference::largest(QImage(output), QImage(reference)), 0);
        }
    }
};

QTEST_MAIN(PhotoFormatsTest)
#include "tst_PhotoFormats.moc"
