#include "fileio/flat_scale.h"

#include <algorithm>
#include <cmath>

namespace {

// The source range of one output cell along an axis, in source pixels.
struct Span {
    int first = 0, last = 0;          // covered pixels, inclusive
    double firstPart = 1, lastPart = 1;  // how much of the first and last lies inside
};

Span Cover(int i, double step) {
    const double from = i * step, to = (i + 1) * step;
    Span s;
    s.first = int(std::floor(from));
    s.last = std::max(s.first, int(std::ceil(to)) - 1);
    s.firstPart = 1.0 - (from - s.first);
    s.lastPart = to - s.last;
    if (s.first == s.last) s.firstPart = s.lastPart = to - from;
    return s;
}

double Part(const Span& s, int k) { return k == s.first ? s.firstPart : k == s.last ? s.lastPart : 1.0; }

}  // namespace

bool ShrinkToFit(const std::vector<uint32_t>& flat, int w, int h, int maxSide, std::vector<uint32_t>& out, int& outW,
                 int& outH) {
    if (w < 1 || h < 1 || maxSide < 1 || flat.size() != size_t(w) * size_t(h)) return false;
    if (w <= maxSide && h <= maxSide) {
        out = flat;
        outW = w;
        outH = h;
        return true;
    }
    const double scale = double(maxSide) / double(std::max(w, h));
    outW = std::max(1, std::min(maxSide, int(std::lround(w * scale))));
    outH = std::max(1, std::min(maxSide, int(std::lround(h * scale))));
    const double stepX = double(w) / outW, stepY = double(h) / outH;
    out.assign(size_t(outW) * size_t(outH), 0);
    for (int y = 0; y < outH; ++y) {
        const Span sy = Cover(y, stepY);
        for (int x = 0; x < outW; ++x) {
            const Span sx = Cover(x, stepX);
            double sum[4] = {0, 0, 0, 0}, weight = 0;
            for (int j = sy.first; j <= sy.last && j < h; ++j)
                for (int i = sx.first; i <= sx.last && i < w; ++i) {
                    const double part = Part(sy, j) * Part(sx, i);
                    const uint32_t p = flat[size_t(j) * size_t(w) + size_t(i)];
                    for (int c = 0; c < 4; ++c) sum[c] += part * double(p >> (24 - 8 * c) & 0xFF);
                    weight += part;
                }
            uint32_t pixel = 0;
            for (int c = 0; c < 4; ++c) pixel |= uint32_t(std::lround(sum[c] / weight)) << (24 - 8 * c);
            out[size_t(y) * size_t(outW) + size_t(x)] = pixel;
        }
    }
    return true;
}
