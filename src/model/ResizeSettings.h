#pragma once

#include "services/files/Outcome.h"
#include <utility>

#include <cstdint>

#include <QSize>
#include <QString>

// How the output canvas size follows from a photo's size; stored in "resizing_config.ini"
// (section "常规") in the data folder. All four values are 32-bit signed integers.
struct ResizeSettings
{
    enum ScaleKind : std::int32_t
    {
        ScaleByWidth = 1,
        ScaleByHeight = 2,
        ScaleAbsolute = 3
    };

    // The values when the file or a key is missing.
    std::int32_t ScaleType = ScaleByWidth;
    std::int32_t TargetWidth = 800;
    std::int32_t TargetHeight = 600;
    std::int32_t ResizeEveryTime = 0;

    friend bool operator==(const ResizeSettings&, const ResizeSettings&) = default;
};

// Reads the file; each missing key (or a missing file) gives the value of the struct's
// defaults, and a value is read by the profile integer rule (no digits give 0).
ResizeSettings readResizeSettings();

// The resize window's closing step: writes, in this order, ScaleType ("%d"), TargetWidth
// and TargetHeight (the edit texts verbatim, possibly empty) and ResizeEveryTime ("%d"),
// keeping every other key of the file. Fails with the reason when the file cannot be written.
Outcome writeResizeSettings(std::int32_t scaleType, const QString& targetWidthText,
                            const QString& targetHeightText, std::int32_t resizeEveryTime);
// What the resize window does with the file when it closes: writes it as above and removes the
// preview cache (previews built under the old size). The "resize pictures" switch is the main
// window's, which takes it from the window.
Outcome commitResizeSettings(std::int32_t scaleType, const QString& targetWidthText,
                             const QString& targetHeightText, std::int32_t resizeEveryTime);

// The resize rule. Without `resizePictures` and without ResizeEveryTime the size stays.
// Otherwise by ScaleType: 1 width = TargetWidth, height = h * TargetWidth / w; 2 height =
// TargetHeight, width = w * TargetHeight / h; 3 both targets; other values keep the size.
// Products and quotients are 32-bit signed operations truncating toward zero; a product
// beyond 32 bits wraps around as it does on the platform the rule comes from. A photo
// width (mode 1) or height (mode 2) of 0 keeps the photo's size.
QSize ComputeOutputSize(const ResizeSettings& settings, bool resizePictures, int width, int height);
// The size the same rule asks for, computed without wrapping (64-bit products): it differs
// from ComputeOutputSize only where a product overflows. A render refuses a photo whose
// output size is empty or differs from this one instead of writing a size nobody asked for.
std::pair<qint64, qint64> exactOutputSize(const ResizeSettings& settings, bool resizePictures, int width,
                                          int height);
// Why a render must not use these settings, or an empty text: resizing is in force and
// ScaleType is none of 1 to 3 (the resize rule would keep the photo's size, which nobody
// asked for).
QString resizeSettingsProblem(const ResizeSettings& settings, bool resizePictures);
