#include "filters/filter_sliders.h"

#include <algorithm>
#include <cmath>

int BlurRadiusForSlider(int p) {
    const double f = double(std::clamp(p, 0, kFilterSliderRange)) / kFilterSliderRange;
    return 1 + int(std::lround(511.0 * f * f));
}

int NoiseStrengthForSlider(int p) {
    p = std::clamp(p, 0, kFilterSliderRange);
    return 3 + int(std::lround(252.0 * p / kFilterSliderRange));
}

int NoisePercent(int strength) { return strength * 100 / 255; }
