#pragma once

#include "services/files/WriteStatus.h"

// The outcome of an imaging operation: success, or a failure with a sentence the user can read.
// Imaging calls never throw; they hand one of these back. It is the outcome of a file write,
// so that a write's failure passes through the imaging calls unchanged.
using ImagingStatus = WriteStatus;
