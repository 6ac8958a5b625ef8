#pragma once
#include <cstdint>
#include <functional>

// Test support: what the C++ heap was asked for while a piece of code ran,
// through the test program's own operator new (allocation_probe.cpp), so a
// test can show that a reader refused a file before allocating for the size
// it declares, or that a save never held the whole picture; or make the heap
// refuse large requests, as a heap with no room left does.
struct AllocationFigures {
    uint64_t largest = 0;  // the largest single request
    uint64_t total = 0;    // every request added up
};
AllocationFigures AllocationsDuring(const std::function<void()>& run);

// From now on every single request of at least bytes fails with bad_alloc,
// on every thread; 0 lets them through again.
void RefuseAllocationsFrom(uint64_t bytes);
