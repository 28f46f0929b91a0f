#pragma once

#include "services/files/Outcome.h"
// Whether the desktop program asks the update server for a newer version when it starts.
// Kept in "config.ini" (section "常规", key "检查更新": 1 on, 0 off), written only once the
// person chooses; without the key the build decides: on, unless the program was built with
// LUMORA_UPDATE_CHECK_AT_START off (a distribution's package, whose updates come from the
// system). The help menu's own check works either way.

// The build's choice, used while "config.ini" has no such key.
bool startupUpdateCheckByDefault();
// The choice in the file, else the build's.
bool readStartupUpdateCheck();
// Writes the choice (1 or 0), keeping every other key. Fails with the reason when the file cannot be written.
Outcome writeStartupUpdateCheck(bool on);
