#include "platform/memory_available.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint64_t kUnknown = uint64_t(INT64_MAX);

uint64_t PageBytes() {
    const long page = ::sysconf(_SC_PAGESIZE);
    return page > 0 ? uint64_t(page) : 4096;
}

// MemAvailable counts the page cache the kernel would give back; without
// /proc (not Linux) the free physical pages are the nearest guess.
uint64_t SystemAvailable() {
    if (std::FILE* meminfo = std::fopen("/proc/meminfo", "r")) {
        char line[128];
        unsigned long long kib = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, meminfo))
            found = std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1;
        std::fclose(meminfo);
        if (found) return uint64_t(kib) * 1024;
    }
    const long pages = ::sysconf(_SC_AVPHYS_PAGES);
    return pages > 0 ? uint64_t(pages) * PageBytes() : kUnknown;
}

// The address space the process already holds, against its limit (ulimit -v).
uint64_t LeftUnderLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kUnknown;
    unsigned long long pages = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%llu", &pages) != 1) pages = 0;
        std::fclose(statm);
    }
    const uint64_t used = uint64_t(pages) * PageBytes();
    return used < uint64_t(limit.rlim_cur) ? uint64_t(limit.rlim_cur) - used : 0;
}

}  // namespace

uint64_t SystemAvailableMemoryBytes() { return std::min(SystemAvailable(), LeftUnderLimit()); }
