#pragma once

#include <QString>
#include <QStringList>

// The layer list inside a template file, changed in place so that everything else in the
// file stays as it was. Each change loads the file, finds "Layers" and saves the file; a
// file that does not load (or has no "Layers") is left alone and the result is false.
namespace TemplateLayerList {

// The layer names in file order (empty when the file does not load).
QStringList read(const QString& templateName);
// Appends a "layer" element with the name as the last child of "Layers".
bool append(const QString& templateName, const QString& layerName);
// Gives the first "layer" whose text equals `oldName` (ignoring case) the text `newName`.
bool rename(const QString& templateName, const QString& oldName, const QString& newName);
// Removes the first "layer" whose text equals `name` (ignoring case).
bool remove(const QString& templateName, const QString& name);

} // namespace TemplateLayerList
