#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The blend row loops built for one instruction set. The baseline build runs
// everywhere; the AVX2 build, sixteen samples per instruction, only where the
// processor and the system have AVX2. Both give the same results, which the
// tests check against the scalar formulas for every build this machine runs.

namespace blend {

struct RowLoops {
    const char* name;
    void (*plane)(int mode, uint16_t* out, const uint16_t* below, const uint16_t* top, const uint16_t* alpha,
                  uint16_t opacity257, size_t n);
    void (*colourPlanes)(int mode, uint16_t* const out[3], const uint16_t* const below[3],
                         const uint16_t* const top[3], const uint16_t* alpha, uint16_t opacity257, size_t n);
};

const RowLoops& BaselineRowLoops();
// Null where this processor cannot run them (or they were not built).
const RowLoops* WideRowLoops();
// Every build this processor can run, the baseline first.
std::vector<const RowLoops*> RunnableRowLoops();

}  // namespace blend
