#pragma once

#include <QString>

// Lookups in private-profile (INI) text: "[section]" headers and "key=value" lines, section
// and key names compared without regard to case, values trimmed and freed of one pair of
// enclosing quotes. A missing file, section or key gives an empty text.
namespace ProfileText {

QString ReadValue(const QString& iniText, const QString& section, const QString& key);
QString ReadFileValue(const QString& path, const QString& section, const QString& key);

} // namespace ProfileText
