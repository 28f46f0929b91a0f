#pragma once

// Exiv2's process-wide set-up, done once before the library is used: its log goes nowhere (a
// damaged block would otherwise print warnings on the command line's error stream), and the XMP
// toolkit, which is not reentrant, is used under a lock.
namespace Exiv2Setup {

void ensure();

} // namespace Exiv2Setup
