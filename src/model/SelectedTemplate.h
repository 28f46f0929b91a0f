#pragma once

#include "services/files/Outcome.h"
#include <QString>

// The template chosen in the main window's template list. The main window sets the name
// whenever the selection changes; renders read it from any thread.
void setSelectedTemplateName(const QString& name);
QString SelectedTemplateName();

// The remembered list index in "config.ini" (section "常规", key "template"): read when the
// template list is filled (0 when the file or key is missing), written when the main window
// closes (an index below 0 is written as 0). The write is atomic and keeps other keys.
int loadSelectedTemplateIndex();
Outcome storeSelectedTemplateIndex(int index);
