#pragma once

#include <QString>
#include <cstdint>

// One photo of the main window's file list. Ids come from a process-wide counter that starts
// at 0 and is never reused; the list model gives it as the row's IdRole.
struct FileListItem
{
    std::int32_t id = 0;
    QString path;
};
