#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <thread>

#include "platform/platform.h"

namespace {

class EventWait : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void TearDown() override { SDL_Quit(); }
};

TEST_F(EventWait, WithNothingToHandleItWaitsTheWholeTimeout) {
    const Uint32 start = SDL_GetTicks();
    EXPECT_FALSE(platform::WaitForEvent(60));
    EXPECT_GE(SDL_GetTicks() - start, 55u);
}

TEST_F(EventWait, AWakeFromAnotherThreadEndsTheWaitAndAnEarlierOneTheNext) {
    std::thread worker([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        platform::WakeMainLoop();
    });
    const Uint32 start = SDL_GetTicks();
    EXPECT_TRUE(platform::WaitForEvent(10000));
    EXPECT_LT(SDL_GetTicks() - start, 5000u);
    worker.join();
    // The wake stays queued until the events are handled.
    EXPECT_TRUE(platform::WaitForEvent(0));
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    EXPECT_FALSE(platform::WaitForEvent(0));
}

}  // namespace
