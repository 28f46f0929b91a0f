#pragma once

#include <QString>
#include <QStringList>

// A template: its name (also its file name) and its layer names in drawing order (the
// first is the lowest). File: templates folder + "/" + name + ".xml", root "Layers", one
// "layer" element per layer.
struct WatermarkTemplate
{
    QString name;
    QStringList layers;
};

// Reads the layer names of a template. False (and `into` unchanged) when the name is not
// valid, or the file does not load or has no "Layers" element.
bool loadWatermarkTemplate(const QString& name, WatermarkTemplate& into);
// Writes the template file anew with the given layer names. False when the template name
// is not valid or the file could not be written.
bool saveWatermarkTemplate(const WatermarkTemplate& tmpl);
