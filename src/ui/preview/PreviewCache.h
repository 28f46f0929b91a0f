#pragma once

#include <QString>

// Where the output preview keeps the rendered picture of a photo. The cache mirrors the
// photo's folder below the preview cache folder, after a drive number (always -1 here,
// since paths have no drive letter): the photo "/home/ann/Photos/img.jpg" is cached as
// "<cache>/-1/home/ann/Photos/img.jpg". The file keeps the photo's name, extension
// included, although it holds PNG data.
namespace PreviewCache {

// The drive number a path would have on a system with drive letters.
inline constexpr int kNoDrive = -1;

// The photo's folder (up to its last "/") without its first component.
QString relativeFolder(const QString& photoPath);
// PreviewCacheFolder() + "/-1/" + RelativeFolder.
QString folderFor(const QString& photoPath);
// FolderFor + "/" + the photo's file name.
QString pathFor(const QString& photoPath);

} // namespace PreviewCache
