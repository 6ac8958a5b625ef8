#pragma once
#include <cstdint>
#include <new>

#include "image/document.h"

// Allocations whose size comes from a file, the clipboard, a dialog or the
// document's size go through these, so that a shortage of memory refuses the
// operation instead of ending the process. No exception leaves the core: a
// shortage is a false result, and it is noted so the program can say
// "Not enough memory" rather than the operation's usual failure.

// One layer's pixels in one tile, and what a bottom tile holds besides
// (stroke mask, display buffer).
constexpr uint64_t kTileImageBytes = uint64_t(kTileSide) * kTileSide * 4 * sizeof(uint16_t);
constexpr uint64_t kBottomTileBytes = kTileImageBytes + uint64_t(kTileSide) * kTileSide * (sizeof(uint16_t) + 4);

// What a new one-layer w x h document takes (sides taken as given).
uint64_t NewDocumentBytes(int64_t w, int64_t h);

// True when bytes more can be expected to fit, keeping a reserve for the
// rest of the program; otherwise false, logged and noted.
bool MemoryFor(uint64_t bytes);
// The same answer with nothing logged or noted, for work the program does on
// its own (the autosave), which reports a shortage its own way.
bool MemoryFits(uint64_t bytes);
void NoteMemoryShortage();
// Whether a shortage was noted since the last call; the note is cleared.
bool TakeMemoryShortage();

// Runs allocate(); false, with the shortage noted, when it ran out of memory.
// Whatever allocate() built before the failure must clean up after itself.
template <class Allocate>
bool Allocating(Allocate&& allocate) noexcept {
    try {
        allocate();
        return true;
    } catch (const std::bad_alloc&) {
        NoteMemoryShortage();
        return false;
    }
}
