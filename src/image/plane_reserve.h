#pragma once
// Storage for tile-sized 16-bit planes, allocated and written once ahead of
// need by a background thread, so that the first write into a new plane does
// not stop the thread that wanted it while the system maps fresh memory.
// A stroke's pen-up copies every tile it touched for the history, and a
// stroke on an empty layer gives each new tile its pixels: on a large stroke
// the page faults of that fresh memory cost more than the copying itself.
//
// ChannelBuffer16 takes from the reserve for planes of kReservedPlaneSamples
// samples asked for with PlaneSource::kReserve (the history's copies of a
// stroke's tiles, the pixels a stroke gives an empty tile) and falls back to
// the heap when it is empty. Other planes, a document being opened or the
// autosave's copies, come from the heap and leave the reserve to painting.
// The reserve is filled back to its target only when asked, which
// RenderDirtyTiles does when a pass finds nothing to render: while the
// pointer rests, not while painting.
#include <cstddef>
#include <cstdint>

constexpr size_t kReservedPlaneSamples = size_t(128) * 128;
// 64 tiles of four planes: the tiles a wide stroke across a large picture
// touches, 8 MiB.
constexpr size_t kPlaneReserveTarget = 256;

// A block of kReservedPlaneSamples samples, owned by the caller from now on
// (freed with delete[]), or null when the reserve is empty. Any thread.
uint16_t* TakeReservedPlane();

// Wakes the background thread to fill the reserve up to its target, the
// first time and then whenever something was asked of it since it last did;
// returns at once. Any thread.
void RefillPlaneReserve();

// For tests and benchmarks: the planes held now, and a wait until a refill
// asked for has finished.
size_t ReservedPlanes();
void WaitForPlaneReserve();
