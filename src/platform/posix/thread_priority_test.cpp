#include "platform/thread_priority.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

namespace {

int ThreadNice() {
    errno = 0;
    return ::getpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)));
}

TEST(ThreadPriority, LowersTheCallingThreadAlone) {
    const int before = ThreadNice();
    bool lowered = false;
    int inside = before;
    std::thread([&] {
        lowered = RunThreadInBackground();
        inside = ThreadNice();
    }).join();
    EXPECT_TRUE(lowered);
    EXPECT_GT(inside, before);
    EXPECT_EQ(ThreadNice(), before) << "the thread that started it was lowered too";
}

// A program started at a lower priority (nice 10, say) still keeps its
// background threads below its own.
TEST(ThreadPriority, CountsFromTheThreadsOwnPriority) {
    int started = 0, inside = 0;
    std::thread([&] {
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), std::max(ThreadNice(), 10));
        started = ThreadNice();
        RunThreadInBackground();
        inside = ThreadNice();
    }).join();
    ASSERT_GE(started, 10);
    if (started >= 19) GTEST_SKIP() << "the tests run at the lowest priority already";
    EXPECT_GT(inside, started);
}

}  // namespace
