#pragma once

#include "model/OutputSettings.h"
#include "services/files/Outcome.h"

class IniFile;

// What a batch does when a photo's output name is already taken by a file it did not write in
// this run: replace it (the default, as always), leave it and skip the photo, or keep both by
// writing the new output under the next free numbered name ("name (2).jpg", "name (3).jpg").
//
// Kept in "config.ini" (section "常规", key "IfOutputExists": 0 replace, 1 skip, 2 keep both;
// any other value or no key replaces), not in "preference.xml", whose bytes stay as they were.

// The value in the file; ReplaceExisting when the file or the key is missing.
OutputSettings::ExistingOutput readExistingOutputChoice();
// The same from "config.ini" already loaded.
OutputSettings::ExistingOutput readExistingOutputChoice(const IniFile& config);
// Writes the value into the file, keeping every other key. Fails with the reason when the file cannot be
// written.
Outcome writeExistingOutputChoice(OutputSettings::ExistingOutput choice);
