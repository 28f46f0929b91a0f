#pragma once

#include <QDateTime>
#include <QString>

#include <memory>

#include "services/imaging/PhotoMetadata.h"

// The EXIF and XMP tags of a photo, read with Exiv2 from the blocks the photo's decoder found
// (PhotoMetadata), so every format the decoders read brings its tags the same way and the file
// is not opened again. Values come out as Exiv2 shows them (its interpreted text), decoded as
// UTF-8, at most kMaxValueBytes bytes of each value; the caller cleans them for drawing.
// Damaged or hostile blocks never fail: whatever Exiv2 cannot read (it throws) reads as no tag.
// Objects are independent of each other and may be used on several threads at once.
class PhotoTags
{
public:
    // No tags.
    PhotoTags();
    explicit PhotoTags(const PhotoMetadata& metadata);
    ~PhotoTags();
    PhotoTags(const PhotoTags&) = delete;
    PhotoTags& operator=(const PhotoTags&) = delete;

    // A tag by its Exiv2 key: "Exif.Image.Make" (or "Image.Make"), "Xmp.dc.creator" (or
    // "dc.creator"). Empty when the photo lacks it or Exiv2 does not know the key. Lists give
    // their first item, language alternatives their default language.
    QString exif(const QString& key) const;
    QString xmp(const QString& key) const;

    // EXIF DateTimeOriginal, else XMP's DateTimeOriginal, DateCreated or CreateDate; invalid
    // when none of them holds a date. The photo's own clock time is kept as written.
    QDateTime captureTime() const;
    // Make and Model; the make is left out when the model already starts with it (or with
    // its first word, as "NIKON D750" does for "NIKON CORPORATION").
    QString camera() const;
    // The lens model (EXIF LensModel, else what Exiv2 finds in the maker notes, else XMP).
    QString lens() const;
    // "1/250 s f/5.6 ISO 200 35 mm", each part only when the photo has it.
    QString exposure() const;
    // EXIF Artist, else XMP dc:creator.
    QString artist() const;
    // EXIF Copyright, else XMP dc:rights.
    QString copyright() const;

    // Bytes of a value taken from Exiv2; the rest is never decoded (a hostile block may hold
    // values of megabytes, while a field shows at most a few hundred characters).
    static constexpr int kMaxValueBytes = 4096;

private:
    struct Data;
    std::unique_ptr<Data> d;
};
