#pragma once

#include <QColor>
#include <QtGlobal>

// Shared value types of the text outline engine and its strategies.
namespace TextDesigner {

// A 32-bit colour: alpha in bits 24-31, red 16-23, green 8-15, blue 0-7.
using ARGB = quint32;

constexpr ARGB kOpaqueBlack = 0xFF000000u;

inline QColor colorFromArgb(ARGB argb)
{
    return QColor(static_cast<int>((argb >> 16) & 0xFF), static_cast<int>((argb >> 8) & 0xFF),
                  static_cast<int>(argb & 0xFF), static_cast<int>((argb >> 24) & 0xFF));
}

inline ARGB makeArgb(int alpha, int red, int green, int blue)
{
    return (static_cast<ARGB>(alpha & 0xFF) << 24) | (static_cast<ARGB>(red & 0xFF) << 16) |
           (static_cast<ARGB>(green & 0xFF) << 8) | static_cast<ARGB>(blue & 0xFF);
}

} // namespace TextDesigner
