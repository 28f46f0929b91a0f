#pragma once

#include <QString>
#include <cstdint>

// One photo of the main window's file list. Ids come from a process-wide counter that starts
// at 0 and is never reused; the row's tag holds the id.
struct FileListItem
{
    std::int32_t id = 0;
    QString path;
};
