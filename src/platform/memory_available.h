#pragma once
#include <cstdint>

// How many more bytes this process can expect to allocate: the smaller of the
// memory the system could still hand out and what is left under the
// process's own address-space limit. A guess, never a promise: callers still
// handle a failed allocation. Never 0 when the system cannot tell; then it is
// as large as an int64_t holds.
uint64_t AvailableMemoryBytes();

// The system's own answer (posix/ or win32/).
uint64_t SystemAvailableMemoryBytes();

// A scripted stand-in for the system (platform/fake) answers in its place
// while set; null gives the answer back to the system. Safe from any thread.
using MemoryMeasure = uint64_t (*)();
void ReplaceMemoryMeasure(MemoryMeasure measure);
