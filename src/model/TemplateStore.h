#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "model/WatermarkConf.h"

// The template list ("qthumb.xml" in the templates folder, root "Templates", one
// "template" element per template in list order) and the operations on templates as files.
// Every operation that builds a path from a name refuses a name that is not valid
// (IsValidTemplateName): result false, nothing written or deleted.

// Reads the template names in list order. A missing list gives an empty list and true;
// a list that exists but does not load (or has no "Templates") gives false.
bool loadTemplateNames(QStringList& names);

// Why the template list cannot be read: a sentence naming the file and the reason, or an
// empty text when the list loads (or does not exist, which the first start handles).
QString describeUnreadableTemplateList();

// The templates whose files lie in the templates folder, for rebuilding a damaged list: every
// "<name>.xml" there with a valid name whose file loads as a template ("Layers"), sorted by
// name. Layer files and the list itself are not templates.
QStringList templatesInFolder();

// Replaces the template list with `names` (in that order). The bytes of the list it replaces
// are kept beside it as "qthumb.xml.damaged" first; nothing is written when they cannot be.
// True when the new list was written.
bool rebuildTemplateList(const QStringList& names);

// First start: when the templates folder does not exist, creates it with its parents and
// writes the demonstration template "Demo 1" with its layer "Demo 1_Layer 1" (text
// "Lumora Plenum", default font record). An existing
// templates folder, even an empty one, is left alone. True when something was created.
bool CreateDefaultTemplates();

// Appends `name` to the list, writes its template file with one layer, name + "_Layer 1"
// (both names must be valid, else nothing is written),
// and writes that layer's file with the new-template defaults (text "Lumora For Win") and the
// default font record. A missing list is started anew; a list that
// exists but does not load is left alone and nothing is written. True when all was written.
bool AddTemplate(const QString& name);

// Writes a new template beside `original` holding the given layers (names of the original's
// layers, with their values and font records) and appends it to the list. The copy is named
// "<original> (2)" (or the next free number), its layers "<copy>_<rest>" where the original
// layer was "<original>_<rest>", else "<copy>_<layer>", each made unique the same way. A
// list that exists but does not load is left alone and nothing is written. Returns the
// copy's name, empty when it was not written whole.
QString addTemplateCopy(const QString& original, const QList<QPair<QString, WatermarkConf>>& layers);

// Removes the first list entry equal to `name`, then deletes the layer files the template
// file names and the template file itself. Layer names in the template file that are not
// valid are skipped. True when the list was saved and the template file is gone.
bool DeleteTemplate(const QString& name);

// Sets the first list entry equal to `oldName` to `newName` and renames the template file.
// Layer files keep their names. True when the list was saved and the file renamed (a file
// of the new name that exists already makes the rename fail).
bool RenameTemplate(const QString& oldName, const QString& newName);

// The reset command: deletes data folder + "/templates damaged" when present and renames
// data folder + "/templates" to it, so that the next start rebuilds the demonstration
// template. Preference and INI files are not touched. True when the rename succeeded (the
// caller then asks the user to restart).
bool SetAsideTemplates();
