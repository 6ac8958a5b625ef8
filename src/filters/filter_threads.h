#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <thread>

// Filters spread their work over threads of their own, so they do not depend
// on the compositing workers being started. Every piece of work they hand out
// is independent of the others, so the result does not depend on the split.

constexpr int kMaxFilterThreads = 64;

// The number of threads a filter uses: requested when positive, otherwise one
// per processor; always 1..kMaxFilterThreads.
inline int FilterThreadCount(int requested) {
    const int n = requested > 0 ? requested : int(std::thread::hardware_concurrency());
    return std::clamp(n, 1, kMaxFilterThreads);
}

// Calls work(begin, end) for contiguous shares of [0, items) on up to threads
// threads (the calling thread takes one share) and returns when all are done.
// A thread that cannot be started has its share done by the calling thread.
// Nothing here allocates but the threads themselves, so a filter that has
// made its allocations beforehand cannot be stopped halfway by a failure.
template <typename Work>
void RunInParallel(int items, int threads, const Work& work) {
    if (items <= 0) return;
    const int n = std::min(FilterThreadCount(threads), items);
    auto shareStart = [items, n](int k) { return int(int64_t(items) * k / n); };
    std::array<std::thread, kMaxFilterThreads> helpers;
    std::array<bool, kMaxFilterThreads> started{};
    for (int k = 1; k < n; ++k) {
        try {
            helpers[size_t(k)] = std::thread(std::cref(work), shareStart(k), shareStart(k + 1));
            started[size_t(k)] = true;
        } catch (const std::exception&) {
            started[size_t(k)] = false;
        }
    }
    work(shareStart(0), shareStart(1));
    for (int k = 1; k < n; ++k)
        if (!started[size_t(k)]) work(shareStart(k), shareStart(k + 1));
    for (int k = 1; k < n; ++k)
        if (started[size_t(k)]) helpers[size_t(k)].join();
}
