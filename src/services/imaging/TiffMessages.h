#pragma once

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
};
