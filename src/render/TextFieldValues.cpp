#include "render/TextFieldValues.h"

#include <QDir>
#include <QFileInfo>

#include "services/imaging/PhotoTags.h"

TextFieldValues TextFieldValues::sample(const QSize& output)
{
    TextFieldValues values;
    values.name = QStringLiteral("sample");
    values.file = QStringLiteral("sample.jpg");
    values.folder = QStringLiteral("photos");
    values.captured = QDateTime::currentDateTime();
    values.camera = QStringLiteral("Lumora Plenum");
    values.lens = QStringLiteral("35 mm f/2");
    values.exposure = QStringLiteral("1/250 s f/5.6 ISO 200 35 mm");
    values.artist = QStringLiteral("Lumora Plenum");
    values.copyright = QStringLiteral("© Lumora Plenum");
    values.output = output;
    return values;
}

TextFieldValues TextFieldValues::forPhoto(const QString& path, const PhotoMetadata& metadata,
                                          const QSize& output, int photoNumber)
{
    TextFieldValues values;
    const QFileInfo info(path);
    values.name = info.completeBaseName();
    values.file = info.fileName();
    values.folder = info.absoluteDir().dirName();
    auto tags = std::make_shared<const PhotoTags>(metadata);
    values.captured = tags->captureTime();
    if (!values.captured.isValid())
        values.captured = info.lastModified();
    values.camera = tags->camera();
    values.lens = tags->lens();
    values.exposure = tags->exposure();
    values.artist = tags->artist();
    values.copyright = tags->copyright();
    values.tags = std::move(tags);
    values.output = output;
    values.photoNumber = photoNumber;
    return values;
}
