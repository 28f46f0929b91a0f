#pragma once

#include <QString>

// Creates the folder and every missing parent. One trailing "/" is ignored; an empty path
// does nothing. True when the folder exists afterwards.
bool CreateFolderPath(const QString& path);

// Deletes the folder with everything in it, read-only entries included. Symbolic links are
// never followed: a link inside the tree is removed as a link, and when the path itself is
// a link only the link is removed; a path that is a plain file is left alone. Failures of single deletions
// are ignored; the result is always true.
bool DeleteFolderTree(const QString& path);

// Deletes the preview cache folder with all its content.
bool RemovePreviewCache();
