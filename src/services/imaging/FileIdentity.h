#pragma once

#include <QString>

// Whether two paths name the same file: the same device and inode when both exist (so links
// and hard links count), otherwise the same absolute path after resolving "." and "..".
bool isSameFile(const QString& a, const QString& b);
