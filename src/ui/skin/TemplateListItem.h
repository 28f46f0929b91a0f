#pragma once

#include <QString>
#include <cstdint>

// One template of the main window's template list; ids come from a second process-wide
// counter, also starting at 0; the row's tag holds the id.
struct TemplateListItem
{
    std::int32_t id = 0;
    QString name;
};
