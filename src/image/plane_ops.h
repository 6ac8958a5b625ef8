#pragma once
#include <cstddef>
#include <cstdint>

class ChannelBuffer;
class ChannelBuffer16;

// Whole-plane 16-bit arithmetic. Each operation works on all width x height
// samples of its first operand, modifies it in place and returns it; the other
// operands have the same size.

// New scratch planes (from the calling thread's ring).
ChannelBuffer16* PlaneFromChannel(const ChannelBuffer& c);
ChannelBuffer16* PlaneConstant(uint32_t v);
ChannelBuffer16* PlaneNoise();

ChannelBuffer16* PlaneInvert(ChannelBuffer16* x);
// s is an 8-bit factor times 257.
ChannelBuffer16* PlaneScale(ChannelBuffer16* x, uint32_t s);
ChannelBuffer16* PlaneMultiply(ChannelBuffer16* x, const ChannelBuffer16* y);
ChannelBuffer16* PlaneInverseMultiply(ChannelBuffer16* x, const ChannelBuffer16* y);
ChannelBuffer16* PlaneScreen(ChannelBuffer16* x, const ChannelBuffer16* y);
// x + floor((p - x) * m / 65536).
ChannelBuffer16* PlaneLerp(ChannelBuffer16* x, const ChannelBuffer16* p, const ChannelBuffer16* m);
// Paints p through mask m onto samples whose alpha goes from a0 to a1.
ChannelBuffer16* PlaneLerp(ChannelBuffer16* x, const ChannelBuffer16* a0, const ChannelBuffer16* p,
                           const ChannelBuffer16* m, const ChannelBuffer16* a1);
// Row forms of the two lerps with one paint value for the whole row, for
// callers that fuse several steps over a block of samples while it is in
// cache. Each writes out[i] from x[i] alone, so out may be x. PaintRows paints
// planes colour rows at once (out[c] from x[c] with paint p[c]), which share
// a0, m and a1: the division by the new alpha is made once per pixel.
void LerpRow(uint16_t* out, const uint16_t* x, uint16_t p, const uint16_t* m, size_t n);
void PaintRows(uint16_t* const out[], const uint16_t* const x[], const uint16_t p[], int planes, const uint16_t* a0,
               const uint16_t* m, const uint16_t* a1, size_t n);
ChannelBuffer16* PlaneMin(ChannelBuffer16* x, const ChannelBuffer16* y);
ChannelBuffer16* PlaneMax(ChannelBuffer16* x, const ChannelBuffer16* y);
