#pragma once

// The running program's version: major, minor and build, compiled in from the project version.
// Returns 0 on success and -1 on failure (a null argument); the outputs are then left alone.
int GetProgramVersion(int* major, int* minor, int* build);
