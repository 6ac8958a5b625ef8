#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The hot row loops of compositing and painting, built for one instruction
// set: the blend modes (blend_modes.h), the stroke's paint rows
// (paint_rows.h) and the display conversion (display_rows.h). The baseline
// build runs everywhere; the AVX2 build, sixteen 16-bit samples per
// instruction, only where the processor and the system have AVX2. Both give
// the same results, which the tests check against scalar references for
// every build the machine can run.

struct RowLoops {
    const char* name;
    // blend::BlendPlane and blend::BlendColourPlanes.
    void (*blendPlane)(int mode, uint16_t* out, const uint16_t* below, const uint16_t* top, const uint16_t* alpha,
                       uint16_t opacity257, size_t n);
    void (*blendColourPlanes)(int mode, uint16_t* const out[3], const uint16_t* const below[3],
                              const uint16_t* const top[3], const uint16_t* alpha, uint16_t opacity257, size_t n);
    // LerpRow and PaintRows (plane_ops.h).
    void (*lerpRow)(uint16_t* out, const uint16_t* x, uint16_t p, const uint16_t* m, size_t n);
    void (*paintRows)(uint16_t* const out[], const uint16_t* const x[], const uint16_t p[], int planes,
                      const uint16_t* a0, const uint16_t* m, const uint16_t* a1, size_t n);
    // The loop of ConvertTileToDisplay (display_tile.h).
    void (*displayRows)(const uint16_t* const planes[3], const int32_t* const inverse[3], const uint8_t* quarters,
                        uint8_t* rgba, size_t n);
};

const RowLoops& BaselineRowLoops();
// Null where this processor cannot run them (or they were not built).
const RowLoops* WideRowLoops();
// Every build this processor can run, the baseline first.
std::vector<const RowLoops*> RunnableRowLoops();
// The build the program runs: the wide one where it can.
const RowLoops& ChosenRowLoops();
