#pragma once

#include <QPixmap>
#include <QString>

// Where a skinned window finds its layouts and pictures: the instance path is the program
// folder, the resource path the folder of the layout files (normally "<program>/skin/en/").
// Both are kept with a trailing slash.
class SkinResources
{
public:
    static void setInstancePath(const QString& path);
    static QString instancePath();
    static void SetResourcePath(const QString& path);
    static QString resourcePath();

    // Turns a picture reference of a layout into a file path. Accepts a plain path or the
    // form file='<path>'; relative paths are taken from the resource path.
    static QString resolvePicture(const QString& reference);
    // The picture of a file for the screens of the program: on screens scaled by more than
    // one, the twice as large "<name>@2x.<suffix>" beside it when there is one, marked with
    // device pixel ratio 2 so that it is drawn at the same size, sharp.
    static QPixmap loadPicture(const QString& path);

private:
    static QString withSlash(const QString& path);
};
