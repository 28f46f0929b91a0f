#pragma once

#include "services/files/Outcome.h"
#include <QString>

// The remembered list index in "config.ini" (section "常规", key "template"): read when the
// template list is filled (0 when the file or key is missing), written when the main window
// closes (an index below 0 is written as 0). The write is atomic and keeps other keys.
int loadSelectedTemplateIndex();
Outcome storeSelectedTemplateIndex(int index);
