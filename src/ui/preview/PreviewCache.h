#pragma once

#include <QByteArray>
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

// A cache file is used only when it was written by this process under the same render
// fingerprint (the photo's file, the template's files and every setting that changes the
// render): a preview drawn before a change of the template, the resize or the output
// settings is never shown for the output of the new ones. Any thread.
void remember(const QString& cachePath, const QByteArray& fingerprint);
bool isCurrent(const QString& cachePath, const QByteArray& fingerprint);

} // namespace PreviewCache
