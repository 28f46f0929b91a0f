#pragma once

#include <QString>

#include "model/OutputQuality.h"
#include "model/OutputSettings.h"
#include "model/ResizeSettings.h"

// The windows' current values that a render reads: the template selected in the main window,
// the output settings, the resize values and the resize switch, the lossless JPEG choice and the
// output quality. A window takes them as one value when a run, a preview or an editor render
// starts and passes it down (see RenderRequest::fromSettings); nothing below the windows keeps
// settings of its own, so renders may run side by side and never see a half-made change.
struct RenderSettings
{
    QString templateName;
    OutputSettings output;
    // The main window's copy of "resizing_config.ini"; until the file is first read, no scaling.
    ResizeSettings resize{0, 800, 600, 0};
    // "调整图片的大小" of the resizing window: off at start, never stored.
    bool resizePictures = false;
    bool losslessJpeg = false;
    OutputQuality quality;

    // Reads the output choices as they are when a run or a preview render starts:
    // "preference.xml" into `output`, and from "config.ini" the lossless choice, the output
    // quality and what to do with an output name a file already holds. Empty when
    // "preference.xml" was read whole; else the sentence why not, and `output` keeps its values
    // (a run must then not start; a preview renders with the values it had).
    QString reloadOutputChoices();
};
