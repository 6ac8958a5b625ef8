#pragma once
#include <cstdint>

struct Document;

// Levels remap each colour channel through a curve set by five parameters:
// the output range (minimum and maximum intensity), the input range (black and
// white point) and the curve's shape between them.
enum LevelsParam : int {
    kLevelsMinimum = 0,     // output at and below the black point
    kLevelsMaximum = 1,     // output at and above the white point
    kLevelsBlackPoint = 2,  // input mapped to the minimum
    kLevelsShape = 3,       // 0.5 straight; above bends down (gamma-like), below bends up
    kLevelsWhitePoint = 4,  // input mapped to the maximum
};
constexpr int kLevelsParamCount = 5;
constexpr int kLevelsChannels = 3;  // red, green, blue; alpha is never touched

// The graph the dialog draws and the table the filter applies.
constexpr int kLevelsGraphPoints = 320;
constexpr int kLevelsGraphScale = 150;
constexpr int kLevelsTableSize = 1024;
// Not 65535: with neutral parameters white comes out as 65152.
constexpr int kLevelsOutputScale = 65152;

struct LevelsParams {
    // value[parameter][channel], each within 0..1.
    float value[kLevelsParamCount][kLevelsChannels] = {
        {0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 0.0f}, {0.5f, 0.5f, 0.5f}, {1.0f, 1.0f, 1.0f}};
    // One set of values edits red and is copied to green and blue.
    bool neutral = true;
};

// The default values; the neutral flag stays as it is.
void ResetLevels(LevelsParams& params);

// Sets one value as a dragged handle does and keeps the set consistent: the
// minimum stays within 0..maximum and the maximum within minimum..1, the black
// point within 0..white point and the white point within black point..1, the
// shape within 0..1. In neutral mode the edit goes to red (channel is ignored)
// and red is copied to green and blue.
void SetLevelsParam(LevelsParams& params, int param, int channel, float value);

// Turning neutral mode on gives green and blue red's values.
void SetLevelsNeutral(LevelsParams& params, bool on);

// The curve of one channel at input u in 0..1, a value within the channel's
// minimum..maximum. Values outside 0..1 or a black point past the white point
// (a step at the black point, as for equal points) never give a value outside
// that range or NaN.
double LevelsCurve(const LevelsParams& params, int channel, double u);

// Fills n entries per channel (red, then green, then blue) with
// round(curve(i / (n - 1)) * scale). The dialog's graph uses
// kLevelsGraphPoints at kLevelsGraphScale, the filter kLevelsTableSize at
// kLevelsOutputScale. False for n < 2.
bool BuildLevelsTable(const LevelsParams& params, int32_t* table, int n, int scale);

// Remaps every colour sample v of the layer's tiles with pixels to the filter
// table's entry for v >> 6; marks the tiles dirty and the layer filtered.
// threads: 0 for one per processor. False for an unknown layer.
bool ApplyLevels(Document& doc, int layer, const LevelsParams& params, int threads = 0);
