#pragma once

#include <QDateTime>
#include <QSize>
#include <QString>

#include <memory>

#include "services/imaging/PhotoMetadata.h"

class PhotoTags;

// What the fields of a text layer are filled with for one render (see TextFields): the photo's
// file names, its capture time and camera tags, the output's size and the photo's place in
// the run. Values are as found; TextFields cleans them when it puts them into a text.
struct TextFieldValues
{
    QString name;       // the file name without its extension
    QString file;       // the file name
    QString folder;     // the name of the folder the file is in
    QDateTime captured; // capture time, else the file's modification time; invalid when neither
    QString camera;
    QString lens;
    QString exposure;
    QString artist;
    QString copyright;
    // Any tag by its Exiv2 key ({exif:KEY}, {xmp:KEY}); none when null.
    std::shared_ptr<const PhotoTags> tags;
    QSize output; // the size of the picture written
    // The photo's place in the run's list, from 1; 0 outside a run (the counter then shows its
    // first number).
    int photoNumber = 0;

    // The values the template editor's preview and the sample picture show: name "sample",
    // today's date and time, camera "Lumora Plenum", and a lens, an exposure, an artist and a
    // copyright of the same kind, so that every field shows how it will look.
    static TextFieldValues sample(const QSize& output);

    // The values of the photo at `path`, its tags read from `metadata` (the blocks its decoder
    // found). A photo without a capture time gets the file's modification time.
    static TextFieldValues forPhoto(const QString& path, const PhotoMetadata& metadata, const QSize& output,
                                    int photoNumber);
};
