#pragma once
#include <cstddef>
#include <cstdint>

struct Document;

// An adaptive recursive blur: each line of the document is smoothed by an
// exponential filter run forwards and then backwards, first along the rows,
// then along the columns. The weight of each new sample shrinks as the jump
// from the running value grows, so strong edges are smoothed less than gentle
// gradients, and colour next to transparent pixels is not smoothed at all, so
// it is not dragged out of them. The cost does not depend on the radius, which
// only sets how strongly the weights smooth.

constexpr int kBlurMinRadius = 1;
constexpr int kBlurMaxRadius = 512;
constexpr int kBlurWeightCount = 256;

// The weight of a new sample for the smallest jump, in 1/256:
// round(180 / (radius / 6 + 0.8)); 186 at radius 1, 47 at 18, 2 at 512.
int BlurKernelScale(int radius);
// weights[i] = round((1 - i / 256)^0.15 * BlurKernelScale(radius)), the weight
// for a jump of i * 65536 .. i * 65536 + 65535 in 1/256 units of a sample.
void BuildBlurWeights(int radius, int32_t weights[kBlurWeightCount]);

// Blurs length RGBA pixels in place (four 16-bit samples each, alpha last;
// pixel k at pixels + k * step samples): forwards, then backwards carrying on
// from where the forward run ended.
void BlurLine(uint16_t* pixels, ptrdiff_t step, int length, const int32_t weights[kBlurWeightCount]);

// Blurs the whole of layer at radius (clamped to 1..512): tiles without pixels
// read as transparent black, and every tile of the layer ends up with pixels,
// dirty. Marks the layer filtered. The caller saves the undo step first.
// All memory the blur needs is taken before anything changes; when it cannot
// be had the layer and document are left exactly as they were and the result
// is false, so the caller can drop the undo step and report the shortage.
// threads: 0 for one per processor. False also for an unknown layer.
bool BlurLayer(Document& doc, int layer, int radius, int threads = 0);

// Asked before each allocation the blur makes with its size in bytes; false
// makes that allocation fail. Null (the default) allows every allocation.
using BlurAllocationCheck = bool (*)(size_t bytes);
void SetBlurAllocationCheck(BlurAllocationCheck check);
