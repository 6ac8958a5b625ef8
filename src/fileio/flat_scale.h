#pragma once
#include <cstdint>
#include <vector>

// Shrinks w x h flat pixels (A << 24 | R << 16 | G << 8 | B) so that the
// longer side is at most maxSide, keeping the proportions (each side at least
// one pixel). Every output pixel is the average of the source pixels its area
// covers, each weighted by how much of it lies inside. A picture that already
// fits is copied as it is. False for a size below 1 or a buffer that does not
// hold w x h pixels.
bool ShrinkToFit(const std::vector<uint32_t>& flat, int w, int h, int maxSide, std::vector<uint32_t>& out, int& outW,
                 int& outH);
