#include "services/imaging/PhotoTags.h"

#include "services/imaging/Exiv2Setup.h"

#include <cmath>
#include <string>

// Exiv2 0.27 names std::auto_ptr in its headers.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

namespace {

// At most PhotoTags::kMaxValueBytes of `text`, cut before a UTF-8 sequence that would not fit.
QString fromExiv2(const std::string& text)
{
    std::size_t size = text.size();
    if (size > std::size_t(PhotoTags::kMaxValueBytes)) {
        size = PhotoTags::kMaxValueBytes;
        while (size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80)
            --size;
    }
    return QString::fromUtf8(text.data(), qsizetype(size)).trimmed();
}

// A number without trailing zeros, at most `digits` significant digits.
QString number(double value, int digits)
{
    return QString::number(value, 'g', digits);
}

// A shutter time as photographers write it: "1/250 s" for a time of 1/n second (within 1 %,
// as cameras store 1/30 as 333/10000), a decimal otherwise ("0.8 s", "2 s").
QString exposureTime(double seconds)
{
    if (seconds < 1.0) {
        const double inverse = 1.0 / seconds;
        const double n = std::round(inverse);
        if (n >= 2 && std::abs(inverse - n) <= n * 0.01)
            return QStringLiteral("1/%1 s").arg(number(n, 6));
    }
    return QStringLiteral("%1 s").arg(number(seconds, 3));
}

} // namespace

struct PhotoTags::Data
{
    Exiv2::ExifData exif;
    Exiv2::XmpData xmp;

    // The datum of a key, or nullptr (unknown key, missing tag).
    template <typename Key, typename Data>
    static auto datum(const Data& data, const std::string& key) -> decltype(&*data.begin())
    {
        try {
            const auto it = data.findKey(Key(key));
            return it == data.end() ? nullptr : &*it;
        } catch (...) {
            return nullptr;
        }
    }
    const Exiv2::Exifdatum* exifDatum(const std::string& key) const
    {
        return datum<Exiv2::ExifKey>(exif, key);
    }
    const Exiv2::Xmpdatum* xmpDatum(const std::string& key) const { return datum<Exiv2::XmpKey>(xmp, key); }

    QString exifText(const std::string& key) const
    {
        const Exiv2::Exifdatum* datum = exifDatum(key);
        if (!datum)
            return QString();
        try {
            return fromExiv2(datum->print(&exif));
        } catch (...) {
            return QString();
        }
    }

    QString xmpText(const std::string& key) const
    {
        const Exiv2::Xmpdatum* datum = xmpDatum(key);
        if (!datum)
            return QString();
        try {
            // Lists and language alternatives: their first item, their default language.
            if (datum->count() >= 1 && datum->typeId() != Exiv2::xmpText)
                return fromExiv2(datum->toString(0));
            return fromExiv2(datum->toString());
        } catch (...) {
            return QString();
        }
    }

    // The first rational of a tag as a number; false when missing or not a positive number.
    bool exifNumber(const std::string& key, double& value) const
    {
        const Exiv2::Exifdatum* datum = exifDatum(key);
        if (!datum || datum->count() < 1)
            return false;
        try {
            const Exiv2::Rational r = datum->toRational(0);
            if (r.second == 0)
                return false;
            value = double(r.first) / double(r.second);
            return std::isfinite(value) && value > 0;
        } catch (...) {
            return false;
        }
    }
};

PhotoTags::PhotoTags() : d(std::make_unique<Data>()) {}

PhotoTags::PhotoTags(const PhotoMetadata& metadata) : d(std::make_unique<Data>())
{
    Exiv2Setup::ensure();
    const QByteArray tiff = PhotoMetadata::tiffStructure(metadata.exif);
    if (!tiff.isEmpty()) {
        try {
            Exiv2::ExifParser::decode(d->exif, reinterpret_cast<const Exiv2::byte*>(tiff.constData()),
                                      static_cast<uint32_t>(tiff.size()));
        } catch (...) {
            d->exif.clear();
        }
    }
    if (!metadata.xmp.isEmpty()) {
        try {
            if (Exiv2::XmpParser::decode(d->xmp, metadata.xmp.toStdString()) != 0)
                d->xmp.clear();
        } catch (...) {
            d->xmp.clear();
        }
    }
}

PhotoTags::~PhotoTags() = default;

QString PhotoTags::exif(const QString& key) const
{
    const QString full = key.startsWith(QLatin1String("Exif.")) ? key : QStringLiteral("Exif.") + key;
    return d->exifText(full.toStdString());
}

QString PhotoTags::xmp(const QString& key) const
{
    const QString full = key.startsWith(QLatin1String("Xmp.")) ? key : QStringLiteral("Xmp.") + key;
    return d->xmpText(full.toStdString());
}

QDateTime PhotoTags::captureTime() const
{
    const QString exifDate = d->exifText("Exif.Photo.DateTimeOriginal");
    QDateTime time = QDateTime::fromString(exifDate.left(19), QStringLiteral("yyyy:MM:dd HH:mm:ss"));
    if (time.isValid())
        return time;
    for (const char* key : {"Xmp.exif.DateTimeOriginal", "Xmp.photoshop.DateCreated", "Xmp.xmp.CreateDate"}) {
        const Exiv2::Xmpdatum* datum = d->xmpDatum(key);
        if (!datum)
            continue;
        QString text;
        try {
            text = fromExiv2(datum->toString());
        } catch (...) {
            continue;
        }
        time = QDateTime::fromString(text, Qt::ISODateWithMs);
        if (!time.isValid()) {
            const QDate date = QDate::fromString(text.left(10), Qt::ISODate);
            if (date.isValid())
                time = date.startOfDay();
        }
        if (time.isValid())
            return time;
    }
    return QDateTime();
}

QString PhotoTags::camera() const
{
    const QString make = d->exifText("Exif.Image.Make");
    const QString model = d->exifText("Exif.Image.Model");
    if (make.isEmpty() || model.isEmpty())
        return make.isEmpty() ? model : make;
    const QString firstWord = make.section(QLatin1Char(' '), 0, 0);
    if (model.startsWith(make, Qt::CaseInsensitive) || model.startsWith(firstWord, Qt::CaseInsensitive))
        return model;
    return make + QLatin1Char(' ') + model;
}

QString PhotoTags::lens() const
{
    QString lens = d->exifText("Exif.Photo.LensModel");
    if (!lens.isEmpty())
        return lens;
    try {
        const auto it = Exiv2::lensName(d->exif);
        if (it != d->exif.end())
            lens = fromExiv2(it->print(&d->exif));
    } catch (...) {
        lens.clear();
    }
    // Maker notes that Exiv2 cannot name give a number or "Unknown ..." text: not a lens name.
    bool numeric = false;
    static_cast<void>(lens.toLongLong(&numeric));
    if (numeric || lens.startsWith(QLatin1String("(")) || lens.startsWith(QLatin1String("Unknown")))
        lens.clear();
    if (lens.isEmpty())
        lens = d->xmpText("Xmp.aux.Lens");
    return lens;
}

QString PhotoTags::exposure() const
{
    QStringList parts;
    double value = 0;
    if (d->exifNumber("Exif.Photo.ExposureTime", value))
        parts << exposureTime(value);
    if (d->exifNumber("Exif.Photo.FNumber", value))
        parts << QStringLiteral("f/%1").arg(number(value, 3));
    const Exiv2::Exifdatum* iso = d->exifDatum("Exif.Photo.ISOSpeedRatings");
    if (iso && iso->count() >= 1) {
        try {
            const long speed = iso->toLong(0);
            if (speed > 0)
                parts << QStringLiteral("ISO %1").arg(speed);
        } catch (...) {
        }
    }
    if (d->exifNumber("Exif.Photo.FocalLength", value))
        parts << QStringLiteral("%1 mm").arg(number(value, 3));
    return parts.join(QLatin1Char(' '));
}

QString PhotoTags::artist() const
{
    const QString artist = d->exifText("Exif.Image.Artist");
    return artist.isEmpty() ? d->xmpText("Xmp.dc.creator") : artist;
}

QString PhotoTags::copyright() const
{
    const QString copyright = d->exifText("Exif.Image.Copyright");
    return copyright.isEmpty() ? d->xmpText("Xmp.dc.rights") : copyright;
}
