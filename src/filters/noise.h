#pragma once

struct Document;

// Transparency noise lowers each pixel's alpha by a fixed pseudo-random
// pattern scaled by a strength. The pattern repeats in every tile and joins
// seamlessly across their overlap, so applying it again hits the same pixels.

// alpha = alpha * (65535 - (noise * strength * 257 >> 16)) >> 16 on the layer's
// tiles with pixels; colour is not touched. Strength is clamped to 0..255.
// Marks the tiles dirty and the layer filtered. Uses one plane of the calling
// thread's scratch ring for the pattern, so that ring must exist at tile size
// (InitThreadScratch). threads: 0 for one per processor. False, with nothing
// changed, for an unknown layer or no scratch plane of tile size. The bottom
// layer is not refused here; the menu refuses it.
bool AddTransparencyNoise(Document& doc, int layer, int strength, int threads = 0);
