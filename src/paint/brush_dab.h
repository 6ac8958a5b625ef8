#pragma once

class PixelImage;

// The brush shape and every dab are one-plane 16-bit images allocated once at
// the largest brush size; rebuilding the shape only changes their logical size.
constexpr int kBrushCapacity = 256;
constexpr float kMaxShapeRadius = 127.0f;

// A zeroed one-plane 16-bit image of kBrushCapacity squared.
PixelImage* NewBrushImage();

// Rebuilds shape as a round stamp of the given radius (pixels, at most 127
// used) and hardness (0..1; exactly 1 gives a hard aliased disc). The logical
// size becomes 2n x 2n with n = round(radius) + 1.
void BuildBrushShape(PixelImage& shape, float radius, float hardness);

// Copies the shape into dab moved by the fractional part of (x, y).
void ShiftDab(PixelImage& dab, const PixelImage& shape, float x, float y);

// Resamples the shape into dab, scaled by scale about its centre and moved by
// the fractional part of (x, y). A scale of 0 (or below, or not finite) leaves
// the dab all zero, and so does a scale so small that the dab covers nothing.
void ScaleDab(PixelImage& dab, const PixelImage& shape, float x, float y, float scale);
