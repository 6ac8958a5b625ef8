#include "platform/memory_available.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

uint64_t SystemAvailableMemoryBytes() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return uint64_t(INT64_MAX);
    // The commit charge left (memory plus page file) and the process's own
    // free address space, whichever runs out first.
    return std::min<uint64_t>(status.ullAvailPageFile, status.ullAvailVirtual);
}
