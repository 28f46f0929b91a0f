#pragma once

#include "model/RenderSettings.h"

// The values the main window hands to the windows it opens (see RenderSettings), for tests that
// open those windows without a main window: set them as the person would have left them.
inline RenderSettings& windowValues()
{
    static RenderSettings values;
    return values;
}
