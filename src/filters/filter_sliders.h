#pragma once

// The blur and noise dialogs each set their filter with one slider whose
// position runs over kFilterSliderRange pixels; these turn a position into
// the filter's parameter.
constexpr int kFilterSliderRange = 380;
constexpr int kBlurSliderStart = 70;
constexpr int kNoiseSliderStart = 70;

// 1 + round(511 * (p / 380)^2): 1..512, finer steps at the small end.
int BlurRadiusForSlider(int p);
// 3 + round(252 * p / 380): 3..255.
int NoiseStrengthForSlider(int p);
// The strength as the percentage the noise dialog shows (integer division).
int NoisePercent(int strength);
