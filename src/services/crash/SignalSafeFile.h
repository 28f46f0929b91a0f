#pragma once

#include <cstddef>

// File writing for a signal handler: only open, write, fsync, close, rename and unlink. A file
// is written under a temporary name and renamed over the target, so a reader never sees half a
// file and a symbolic link at the target is replaced, not followed.

// Creates the temporary file anew, removing whatever had its name; -1 on failure.
int createReplacementFile(const char* temporaryPath);
// Writes every byte, retrying short writes and interruptions.
bool writeAll(int fd, const void* data, std::size_t length);
// Flushes and closes the file, then renames it over the target. On failure the temporary file
// is removed and the target is left as it was.
bool commitReplacementFile(int fd, const char* temporaryPath, const char* targetPath);
// Closes and removes a temporary file that is not wanted.
void discardReplacementFile(int fd, const char* temporaryPath);
