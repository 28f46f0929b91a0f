#pragma once

#include <QtGlobal>

#include <functional>

// Rows of 8-bit samples handed to a row encoder, asked for in order from the top: fills `row`
// with the samples of row y (RGB, or RGBA where the encoder writes alpha). False stops the
// writing, which then fails and leaves no file.
using PixelRows = std::function<bool(int y, uchar* row)>;
