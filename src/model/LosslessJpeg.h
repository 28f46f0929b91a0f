#pragma once

#include "services/files/Outcome.h"

class IniFile;

// The lossless JPEG choice: JPEG photos written as JPEG without resizing keep every block of
// the photo that the watermark leaves alone, coefficient for coefficient, and only the blocks
// under the watermark are encoded again (see JpegBlockMerger). Off, every output is decoded
// and encoded in full at quality 98, as always.
//
// Kept in "config.ini" (section "常规", key "LosslessJpeg": 1 on; 0, any other value or no key
// off), not in "preference.xml", whose bytes at a first start stay as they were.

// The value in the file; off when the file or the key is missing.
bool readLosslessJpeg();
// The same from "config.ini" already loaded.
bool readLosslessJpeg(const IniFile& config);
// Writes the value (1 or 0) into the file, keeping every other key. Fails with the reason when
// the file cannot be written.
Outcome writeLosslessJpeg(bool on);
