#pragma once

#include <QImage>
#include <QSize>

// Paints a landscape photograph of the given size: a dawn sky with a low sun, layered
// mountain ridges fading into haze, a lake that mirrors them, pines on the shore and a
// grassy foreground, with a little film grain. `variant` changes the light, the ridges and
// the trees, so several different photos can be made. The result is opaque RGB32 and the
// same for the same size and variant on every machine.
QImage PaintScene(const QSize& size, int variant);
