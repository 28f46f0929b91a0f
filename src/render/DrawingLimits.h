#pragma once

// Bounds on values from layer files that drive the amount of drawing, so that a hand-edited
// file cannot make a render run for hours or allocate without end. Copies that cannot reach
// the canvas are never drawn (see CanvasCulling), which bounds the 3D and repetition loops;
// the constants here bound what culling cannot.
namespace DrawingLimits {

// UTF-16 units of a layer's text that are drawn; the rest is left out. Every glyph on the
// canvas costs time in each effect: this many keep the costliest layer within a few seconds
// on a photo of 24 megapixels, and are far more than a watermark holds.
constexpr int kMaxTextUnits = 4096;

// Shadow rings (blur radius + 8): each ring is one stroke of the whole text, with pens up to
// this wide. The template editor offers blur radii up to 10 (18 rings).
constexpr int kMaxShadowRings = 64;

// Pen widths of outlines and outlined repetitions, in canvas pixels; stroking time grows
// with the width. The template editor offers 1 to 10.
constexpr int kMaxPenWidth = 1000;

// A pen much wider than the glyphs are high turns every glyph into a round blob, and a wider
// pen only makes the blobs larger, while stroking time grows with the width for every outline
// segment. Pens are kept to the em size of the text, but never below kPenWidthFloor pixels,
// so that the widths the editor offers stay as they are on any text.
constexpr int kMaxPenWidthPerEm = 1;
constexpr int kPenWidthFloor = 32;

// 3D copies that are drawn even when each lands on the canvas.
constexpr int kMaxDepthCopies = 100000;

// 3D copies on the canvas up to which every copy is filled on its own (the editor offers
// depths up to 50), as long as copies times outline elements stay within
// kMaxStackedDepthWork; a deeper stack is filled in one go as the region the text passes over.
constexpr int kMaxStackedDepthCopies = 64;
constexpr double kMaxStackedDepthWork = 200000;

// Repetitions over the canvas are drawn one by one up to this much work (copies on the
// canvas times outline elements times pen width plus 2). Beyond it the copy is drawn into
// pictures at up to kMaxTilePhases fractions of a pixel each way, taking at most
// kMaxCoverTileBytes, which are placed at whole pixels; a picture has at most
// kMaxCoverTilePixels pixels, else the copies are drawn one by one.
constexpr double kMaxDirectCoverWork = 12.0e6;
constexpr double kMaxCoverTilePixels = 16.0e6;
constexpr double kMaxCoverTileBytes = 64.0e6;
constexpr int kMaxTilePhases = 16;

} // namespace DrawingLimits
