#pragma once

#include <QString>

// Routes the TIFF library's warnings and errors into the Qt message system.
//
// The library's own handlers print each message in several pieces straight to standard
// error. With photos decoded on several threads at once, another thread's line can land
// between those pieces, which breaks the one-line-per-photo answers of the batch command.
// Through Qt each message is one line, and the program's message handler decides whether
// it is shown at all.
class TiffMessages
{
public:
    // Installs the handlers once per process; cheap to call before every decode or encode.
    static void routeToQt();

    // Between these two calls the errors the library reports on the calling thread are also
    // kept; stopCollecting() returns the first of them (empty when there was none). libtiff
    // reports a failed write of its data or directory here even where its caller (Qt's TIFF
    // writer) ignores the result.
    static void startCollecting();
    static QString stopCollecting();
};
