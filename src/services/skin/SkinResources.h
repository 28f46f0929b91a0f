#pragma once

#include <QString>

// Where a skinned window finds its layouts and pictures: the instance path is the program
// folder, the resource path the folder of the layout files (normally "<program>/skin/en/").
// Both are kept with a trailing slash.
class SkinResources
{
public:
    static void SetInstancePath(const QString& path);
    static QString InstancePath();
    static void SetResourcePath(const QString& path);
    static QString ResourcePath();

    // Turns a picture reference of a layout into a file path. Accepts a plain path or the
    // form file='<path>'; relative paths are taken from the resource path.
    static QString ResolvePicture(const QString& reference);

private:
    static QString WithSlash(const QString& path);
};
