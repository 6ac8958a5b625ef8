#include "filters/levels.h"

#include <algorithm>
#include <cmath>

#include "filters/layer_tiles.h"
#include "image/pixel_image.h"

namespace {

// NaN goes to lo, so nothing past this point can turn into an undefined
// integer conversion.
double Clamp(double v, double lo, double hi) {
    if (!(v > lo)) return lo;
    return v < hi ? v : hi;
}

float ClampF(float v, float lo, float hi) { return float(Clamp(v, lo, hi)); }

void CopyRedToGreenAndBlue(LevelsParams& params) {
    for (auto& triple : params.value) triple[1] = triple[2] = triple[0];
}

}  // namespace

void ResetLevels(LevelsParams& params) {
    const bool neutral = params.neutral;
    params = LevelsParams();
    params.neutral = neutral;
}

void SetLevelsParam(LevelsParams& params, int param, int channel, float value) {
    if (param < 0 || param >= kLevelsParamCount || channel < 0 || channel >= kLevelsChannels) return;
    if (params.neutral) channel = 0;
    auto at = [&](int p) -> float& { return params.value[p][channel]; };
    switch (param) {
        case kLevelsMinimum:
            at(param) = ClampF(value, 0.0f, at(kLevelsMaximum));
            break;
        case kLevelsMaximum:
            at(param) = ClampF(value, at(kLevelsMinimum), 1.0f);
            break;
        case kLevelsBlackPoint:
            at(param) = ClampF(value, 0.0f, at(kLevelsWhitePoint));
            break;
        case kLevelsWhitePoint:
            at(param) = ClampF(value, at(kLevelsBlackPoint), 1.0f);
            break;
        default:
            at(param) = value;
            break;
    }
    for (auto& triple : params.value)
        for (float& v : triple) v = ClampF(v, 0.0f, 1.0f);
    if (params.neutral) CopyRedToGreenAndBlue(params);
}

void SetLevelsNeutral(LevelsParams& params, bool on) {
    if (on && !params.neutral) CopyRedToGreenAndBlue(params);
    params.neutral = on;
}

double LevelsCurve(const LevelsParams& params, int channel, double u) {
    if (channel < 0 || channel >= kLevelsChannels) return 0.0;
    auto get = [&](int p) { return Clamp(params.value[p][channel], 0.0, 1.0); };
    const double p0 = get(kLevelsMinimum), p1 = get(kLevelsMaximum);
    const double p2 = get(kLevelsBlackPoint), p3 = get(kLevelsShape);
    const double p4 = std::max(get(kLevelsWhitePoint), p2);
    const double lo = std::min(p0, p1), hi = std::max(p0, p1);
    u = Clamp(u, 0.0, 1.0);

    const double c = p3 - 0.5;
    const double root = 9.0 * c * c + 1.0;
    const double gamma = root * root;
    double y;
    if (p4 <= p2) {
        // No input range left: a step at the black point, where each shape
        // ends up as the white point closes in on it.
        y = (c > 0 ? u > p2 : u >= p2) ? p1 : p0;
    } else if (c > 0) {
        // The base is kept within 0..1: above 1 the result is clamped to the
        // maximum anyway, and a negative base would give NaN.
        const double t = Clamp((u - p2) / (p4 - p2), 0.0, 1.0);
        y = u <= p2 ? p0 : p0 + (p1 - p0) * std::pow(t, gamma);
    } else {
        const double t = Clamp((p4 - u) / (p4 - p2), 0.0, 1.0);
        y = u >= p4 ? p1 : p0 + (p1 - p0) * (1.0 - std::pow(t, gamma));
    }
    return Clamp(y, lo, hi);
}

bool BuildLevelsTable(const LevelsParams& params, int32_t* table, int n, int scale) {
    if (!table || n < 2) return false;
    for (int channel = 0; channel < kLevelsChannels; ++channel)
        for (int i = 0; i < n; ++i) {
            const double y = LevelsCurve(params, channel, double(i) / double(n - 1));
            table[channel * n + i] = int32_t(std::lround(y * scale));
        }
    return true;
}

bool ApplyLevels(Document& doc, int layer, const LevelsParams& params, int threads) {
    if (!ValidLayer(doc, layer)) return false;
    int32_t table[kLevelsChannels * kLevelsTableSize];
    BuildLevelsTable(params, table, kLevelsTableSize, kLevelsOutputScale);
    FilterLayerTiles(doc, layer, threads, [&table](PixelImage& image) {
        const size_t n = size_t(image.width) * size_t(image.height);
        for (int c = 0; c < kLevelsChannels; ++c) {
            const int32_t* row = table + c * kLevelsTableSize;
            uint16_t* s = PlaneSamples(image, c);
            for (size_t i = 0; i < n; ++i) s[i] = uint16_t(row[s[i] >> 6]);
        }
    });
    MarkLayerFiltered(doc, layer);
    return true;
}
