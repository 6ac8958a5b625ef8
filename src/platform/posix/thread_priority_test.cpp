#include "platform/thread_priority.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

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

}  // namespace
